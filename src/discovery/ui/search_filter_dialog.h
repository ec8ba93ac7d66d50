#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;

namespace voltrim {

class UserPrompt;

// "Portfolio Search Filter": the three search settings. OK asks the validator; a message
// it returns is shown and the dialog stays open with the user's input.
class SearchFilterDialog : public QDialog {
  Q_OBJECT
 public:
  struct Values {
    bool limit = false;
    std::string filterName;
    bool masterFix = false;
  };
  using Validator = std::function<std::optional<std::string>(bool limit, const std::string& path)>;

  SearchFilterDialog(const Values& values, Validator validator, UserPrompt& prompt,
                     QWidget* parent);

  Values Result() const;

  QCheckBox* LimitBox() const { return limit_; }
  QLineEdit* PathEdit() const { return path_; }
  QCheckBox* MasterFixBox() const { return masterFix_; }

 public Q_SLOTS:
  void accept() override;

 private:
  void SyncPathEnabled();

  Validator validator_;
  UserPrompt& prompt_;
  QCheckBox* limit_;
  QLineEdit* path_;
  QCheckBox* masterFix_;
};

}  // namespace voltrim
