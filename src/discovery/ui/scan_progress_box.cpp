#include "discovery/ui/scan_progress_box.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

#include "widgets/dialog_units.h"

namespace voltrim {

ScanProgressBox::ScanProgressBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  // The user cannot close it, so its caption carries no buttons at all.
  setWindowTitle(QStringLiteral("Searching for Master Files"));
  setModal(false);
  setObjectName(QStringLiteral("scanProgressBox"));

  path_ = new QLabel(this);
  path_->setObjectName(QStringLiteral("scanPath"));
  path_->setTextFormat(Qt::PlainText);
  path_->setFixedWidth(DialogUnits(*this, 228, 0).width());
  count_ = new QLabel(QStringLiteral("0"), this);
  count_->setObjectName(QStringLiteral("scanCount"));
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* layout = new QGridLayout(this);
  layout->addWidget(path_, 0, 0, 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("Number of Master files found:"), this), 1, 0);
  layout->addWidget(count_, 1, 1);
  layout->setColumnStretch(0, 1);
  // A fixed size: a window manager then offers no maximise button either.
  setFixedSize(std::max(sizeHint().width(), DialogUnits(*this, 243, 0).width()),
               std::max(sizeHint().height(), DialogUnits(*this, 0, 54).height()));
}

void ScanProgressBox::ShowProgress(const QString& path, int found) {
  fullPath_ = path;
  path_->setText(path_->fontMetrics().elidedText(path, Qt::ElideMiddle, path_->width()));
  if (found != found_) {
    found_ = found;
    count_->setText(QString::number(found));
  }
}

QString ScanProgressBox::PathText() const { return fullPath_; }

QString ScanProgressBox::CountText() const { return count_->text(); }

void ScanProgressBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
}

void ScanProgressBox::closeEvent(QCloseEvent* event) {
  // Only the scan closes the box (it destroys it).
  event->ignore();
}

void ScanProgressBox::keyPressEvent(QKeyEvent* event) {
  // Escape would reject a dialog; this one stays until the walk ends.
  event->ignore();
}

}  // namespace voltrim
