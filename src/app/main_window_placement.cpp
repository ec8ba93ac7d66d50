// The main window's placement: applied from the settings at start-up, its frame fitted
// once a window manager framed it, and every move or resize written once it rests.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/main_window.h"
#include "browser/ui/browser_view.h"
#include "browser/window_placement.h"

namespace voltrim {
namespace {

// A drag reports every step; the placement is written once it has rested this long.
constexpr int kPlacementSettleMs = 400;
constexpr int kFrameCheckMs = 200;

WindowPlacement PlacementOf(const QRect& rect) {
  return {rect.x(), rect.y(), rect.width(), rect.height()};
}

}  // namespace

void MainWindow::ApplyStoredPlacement() {
  settleTimer_ = new QTimer(this);
  settleTimer_->setSingleShot(true);
  settleTimer_->setInterval(kPlacementSettleMs);
  connect(settleTimer_, &QTimer::timeout, this, [this] { recorder_->Settle(); });
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen ? screen->geometry().size() : QSize(800, 600);
  scale_ = PixelScale(screen ? screen->devicePixelRatio() : 1.0);
  // Stored in the window system's pixels: checked against the screen in the same unit.
  placement_ = LoadWindowPlacement(settings_, scale_.ToStored(screenSize.width()),
                                   scale_.ToStored(screenSize.height()));
  recorder_ = std::make_unique<PlacementRecorder>(
      [this](const WindowPlacement& p) { SaveWindowPlacement(settings_, p); }, placement_);
  // The frame's size is known only once a window manager has framed the window; until
  // then the contents take the whole placement, and FitFrame corrects them.
  const WindowPlacement shown = scale_.ToShown(placement_);
  move(shown.x, shown.y);
  resize(shown.cx, shown.cy);
  if (screen &&
      IsMaximisedPlacement(placement_, scale_.ToStored(PlacementOf(screen->availableGeometry())))) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }
  placementApplied_ = true;
}

void MainWindow::FitFrame() {
  if (frameFitted_ || !isVisible() || windowState() != Qt::WindowNoState) return;
  const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  if (margins.isNull()) return;
  frameFitted_ = true;
  // Once the window was resized by the user or the program, the placement is theirs.
  const WindowPlacement shown = scale_.ToShown(placement_);
  if (size() != QSize(shown.cx, shown.cy)) return;
  const WindowPlacement contents =
      ContentsOf(shown, {margins.left(), margins.top(), margins.right(), margins.bottom()});
  setGeometry(contents.x, contents.y, contents.cx, contents.cy);
}

void MainWindow::NotePlacement() {
  if (!placementApplied_ || !isVisible() || isMinimized()) return;
  FitFrame();
  recorder_->Changed(scale_.Keep(PlacementOf(frameGeometry()), recorder_->Latest()));
  settleTimer_->start();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  NotePlacement();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  NotePlacement();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Some window managers report the frame without moving the window.
  QTimer::singleShot(kFrameCheckMs, this, &MainWindow::NotePlacement);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  settleTimer_->stop();
  recorder_->Settle();
  view_->SaveColumnWidths();
  view_->SavePaneHeights();
  if (helpWindow_) helpWindow_->close();
  event->accept();
}

}  // namespace voltrim
