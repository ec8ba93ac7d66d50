#include "widgets/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>

namespace voltrim {

QSize DialogUnits(const QWidget& widget, int width, int height) {
  const QFontMetrics metrics = widget.fontMetrics();
  return {width * metrics.averageCharWidth() / 4, height * metrics.height() / 8};
}

}  // namespace voltrim
