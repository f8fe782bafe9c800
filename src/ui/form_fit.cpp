#include "ui/form_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace zorvan::ui {

namespace {

QString shown(QString text) { return text.remove(QLatin1Char('&')); }

}  // namespace

QSize textNeed(const QWidget* control) {
  if (const auto* box = qobject_cast<const QLineEdit*>(control)) {
    // Room for a number as a user types one, not the style's 17 characters.
    const int frame = 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) + 4;
    return {box->fontMetrics().horizontalAdvance(QStringLiteral("-1.23456")) + frame, box->minimumSizeHint().height()};
  }
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    // The style's preferred width has a floor of its own (80 px in Fusion),
    // which says nothing of what the caption needs.
    const QStyle* style = button->style();
    const int margins = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                             style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) +
                             style->pixelMetric(QStyle::PM_ButtonDefaultIndicator, nullptr, button));
    const int width = button->fontMetrics().horizontalAdvance(shown(button->text())) + margins;
    return {width, button->minimumSizeHint().height()};
  }
  if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
    const int title = frame->fontMetrics().horizontalAdvance(shown(frame->title()));
    return {title + 2 * frame->fontMetrics().averageCharWidth(), 0};
  }
  if (qobject_cast<const QAbstractButton*>(control) != nullptr || qobject_cast<const QLabel*>(control) != nullptr)
    return control->minimumSizeHint();
  return {0, 0};
}

int pixelGrid(double devicePixelRatio) {
  for (int n = 1; n <= 8; ++n)
    if (std::abs(n * devicePixelRatio - std::round(n * devicePixelRatio)) < 1e-6) return n;
  return 1;
}

QMargins frameExtents(const QWidget* window) {
  if (window->isVisible()) {
    const QRect outer = window->frameGeometry(), inner = window->geometry();
    const QMargins real(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                        outer.bottom() - inner.bottom());
    if (real.top() > 0) return real;
  }
  // Before the window manager has framed the window: a title bar of about
  // two lines of text, and thin borders.
  const int title = std::max(32, 2 * window->fontMetrics().height());
  return {8, title, 8, 8};
}

QSize roomForClient(const QWidget* window, int above) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  const QRect available = screen->availableGeometry();
  const QMargins frame = frameExtents(window);
  return {available.width() - frame.left() - frame.right(), available.height() - frame.top() - frame.bottom() - above};
}

}  // namespace zorvan::ui
