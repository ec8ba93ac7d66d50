#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

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
  // Shows a folder chooser starting at a folder; the folder chosen, or nothing.
  using ChooseFolder = std::function<std::optional<std::string>(const std::string& start)>;

  // Without chooseFolder the dialog has no Browse... button.
  SearchFilterDialog(const Values& values, Validator validator, UserPrompt& prompt, QWidget* parent,
                     ChooseFolder chooseFolder = {});

  Values Result() const;

  QCheckBox* LimitBox() const { return limit_; }
  QLineEdit* PathEdit() const { return path_; }
  QCheckBox* MasterFixBox() const { return masterFix_; }
  QPushButton* BrowseButton() const { return browse_; }

 public Q_SLOTS:
  void accept() override;
  // "Browse...": the folder chosen becomes the path, and the search is limited to it.
  void Browse();

 private:
  void SyncPathEnabled();

  Validator validator_;
  UserPrompt& prompt_;
  ChooseFolder chooseFolder_;
  QCheckBox* limit_;
  QLineEdit* path_;
  QCheckBox* masterFix_;
  QPushButton* browse_ = nullptr;
};

}  // namespace voltrim
