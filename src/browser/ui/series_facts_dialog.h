#pragma once

#include <QDialog>

#include "datafiles/format/series_facts.h"

namespace voltrim {

// "About Selected Quote Series": the stored facts of one series, read only.
class SeriesFactsDialog : public QDialog {
  Q_OBJECT
 public:
  SeriesFactsDialog(const SeriesFacts& facts, QWidget* parent);

  // The value shown beside a label ("Path:", "File number", ...), for tests.
  QString ValueOf(const QString& label) const;
  // The input or display format shown for a field row ("Vol", "OI", ...).
  QString FormatOf(const QString& field, bool display) const;
};

}  // namespace voltrim
