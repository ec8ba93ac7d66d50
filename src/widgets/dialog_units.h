#pragma once

#include <QSize>

class QWidget;

namespace voltrim {

// Sizes given in dialog units (a quarter of the average character width, an eighth of
// the line height), so that windows keep their proportions with any font.
QSize DialogUnits(const QWidget& widget, int width, int height);

}  // namespace voltrim
