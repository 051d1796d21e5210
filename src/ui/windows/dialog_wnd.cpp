#include "ui/windows/dialog_wnd.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QAbstractButton>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <strings.h>

#include <algorithm>

#include "base/debug_print.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_surface.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/widget_builders.h"

namespace theme = tolva::kit::theme;
using tolva::kit::CSButtonUI;
using tolva::ui::MakeButton;
using tolva::ui::MakeLabel;

MessageTextScroll::MessageTextScroll(QWidget* parent) : QScrollArea(parent) {
  setObjectName(QStringLiteral("message_scroll"));
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setAutoFillBackground(false);
  setAutoFillBackground(false);
}

QSize MessageTextScroll::sizeHint() const {
  const QWidget* text = widget();
  if (text == nullptr) return QScrollArea::sizeHint();
  // The wrapped text's own height at the width the layout gave the area (the viewport follows
  // only once shown), not the scroll area's guess of at most 24 lines.
  const int width = contentsRect().width() > 0 ? contentsRect().width() : text->sizeHint().width();
  const int height = text->hasHeightForWidth() ? text->heightForWidth(width)
                                               : text->sizeHint().height();
  return QSize(text->sizeHint().width(),
               std::max(height, text->minimumHeight()) + 2 * frameWidth());
}

QSize MessageTextScroll::minimumSizeHint() const {
  const int lines = fontMetrics().lineSpacing() * 3;
  return QSize(QScrollArea::minimumSizeHint().width(), std::min(sizeHint().height(), lines));
}

void MessageTextScroll::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  // Another width wraps the text to another height.
  if (event->oldSize().width() != event->size().width()) updateGeometry();
}

bool SameName(const std::string& name, const char* expected) {
  return strcasecmp(name.c_str(), expected) == 0;
}

CDialogWnd::CDialogWnd(QWidget* owner, const char* window_name, const char* class_name)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QString::fromLatin1(window_name));
  setProperty("windowClass", QString::fromLatin1(class_name));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setModal(true);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    DebugPrint(L"screen size %d x %d\n", screen->geometry().width(), screen->geometry().height());
  }

  auto* frame = new QVBoxLayout(this);
  theme::SetLayoutMetrics(frame, 1, 0);
  auto* title_bar = new QFrame(this);
  title_bar->setProperty("titleBar", true);
  auto* title_row = new QHBoxLayout(title_bar);
  theme::SetLayoutMetrics(title_row, 6, 6);
  QLabel* title =
      MakeLabel(title_bar, QStringLiteral("MessageTitle"), QStringLiteral("${tips}"), "title");
  title_row->addWidget(title, 1);
  title_row->addWidget(
      MakeButton(title_bar, QStringLiteral("closebtn"), QStringLiteral("\u2715"), 26, 22));
  frame->addWidget(title_bar);

  auto* body = new QVBoxLayout();
  theme::SetLayoutMetrics(body, 14, 10);
  QLabel* text = MakeLabel(this, QStringLiteral("MessageText"), QString());
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignCenter);
  text->setMinimumHeight(theme::Scaled(owner, 36));
  text_scroll_ = new MessageTextScroll(this);
  text_scroll_->setWidget(text);
  text->setAutoFillBackground(false);  // setWidget turns it on; the window's own shows through
  text_scroll_->hide();  // until there is a text: no blank band above the content
  body->addWidget(text_scroll_);
  content_ = new QVBoxLayout();
  theme::SetLayoutMetrics(content_, 0, 6);
  body->addLayout(content_);
  buttons_ = new QWidget(this);
  auto* button_row = new QHBoxLayout(buttons_);
  theme::SetLayoutMetrics(button_row, 0, 10);
  button_row->addStretch(1);
  body->addWidget(buttons_);
  frame->addLayout(body, 1);

  surface_ = new tolva::kit::QtControlSurface(this);
  surface_->SetNotifyHandler([this](const tolva::kit::ControlNotify& n) { OnNotify(n); });
}

CDialogWnd::~CDialogWnd() {
  // The children go after this body, and a focused one losing its focus then would notify a
  // window whose own part is already gone.
  surface_->SetNotifyHandler({});
}

CSButtonUI* CDialogWnd::AddButton(const char* name, const QString& raw_text) {
  CSButtonUI* button = MakeButton(buttons_, QString::fromLatin1(name), raw_text, 96, 28);
  auto* row = static_cast<QHBoxLayout*>(buttons_->layout());
  row->insertWidget(row->count() - 1, button);
  // Centre the buttons: a stretch on both sides.
  if (row->count() == 2) row->insertStretch(0, 1);
  return button;
}

void CDialogWnd::FinishLayout() {
  theme::ApplyOwnerTheme(this, parentWidget());
  theme::FixSize(this, 380, -1);
  surface_->Attach();
}

void CDialogWnd::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter p(this);
  p.setPen(theme::Border());
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

tolva::kit::ControlSurface& CDialogWnd::Surface() {
  return *surface_;
}

void CDialogWnd::SetTitle(const QString& raw) {
  if (!raw.isEmpty()) tolva::kit::SetWidgetText(findChild<QLabel*>("MessageTitle"), raw);
}

void CDialogWnd::SetText(const QString& raw) {
  if (raw.isEmpty()) return;
  auto* text = findChild<QLabel*>("MessageText");
  tolva::kit::SetWidgetText(text, raw);
  text_scroll_->show();
  text_scroll_->updateGeometry();
}

void CDialogWnd::SetHint(const QString& raw) {
  SetText(raw);
  auto* text = findChild<QLabel*>("MessageText");
  text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  text->setMinimumHeight(0);
  text->setProperty("role", "hint");
  text->style()->unpolish(text);
  text->style()->polish(text);
}

void CDialogWnd::OnNotify(const tolva::kit::ControlNotify& notify) {
  if (notify.type != tolva::kit::msgtype::kClick) return;
  if (notify.name == "closebtn" || SameName(notify.name, "cancel_btn")) {
    done(tolva::kit::kResultCancel);
  } else if (notify.name == "minbtn") {
    showMinimized();
  } else if (SameName(notify.name, "confirm_btn")) {
    done(tolva::kit::kResultConfirm);
  } else if (SameName(notify.name, "third_btn")) {
    done(tolva::kit::kResultThird);
  }
}

void CDialogWnd::Centre() {
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  const QRect usable = screen != nullptr ? screen->availableGeometry() : QRect();
  // A text taller than the screen scrolls inside the window instead of pushing its top and its
  // buttons past the screen's edges.
  text_scroll_->setMaximumHeight(QWIDGETSIZE_MAX);
  adjustSize();
  // Only now does the text have the window's width: its wrapped height follows from it.
  if (layout() != nullptr) layout()->activate();
  text_scroll_->updateGeometry();
  adjustSize();
  if (usable.isValid() && height() > usable.height() && !text_scroll_->isHidden()) {
    const int rest = height() - text_scroll_->sizeHint().height();
    text_scroll_->setMaximumHeight(std::max(text_scroll_->minimumSizeHint().height(),
                                            usable.height() - rest));
    adjustSize();
  }
  const QRect area = owner != nullptr ? owner->frameGeometry() : usable;
  QPoint top_left = area.center() - rect().center();
  if (usable.isValid()) {
    top_left.setX(std::clamp(top_left.x(), usable.left(),
                             std::max(usable.left(), usable.right() + 1 - width())));
    top_left.setY(std::clamp(top_left.y(), usable.top(),
                             std::max(usable.top(), usable.bottom() + 1 - height())));
  }
  move(top_left);
}

void CDialogWnd::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    // Return answers with the button that has the focus, or with the only button there is;
    // otherwise it stays with the box or list that passed it on (a row acts on Enter itself).
    auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
    QAbstractButton* only = nullptr;
    int shown = 0;
    for (auto* b : buttons_->findChildren<QAbstractButton*>()) {
      if (!b->isVisibleTo(this) || !b->isEnabled()) continue;
      ++shown;
      only = b;
    }
    QAbstractButton* answer =
        focused != nullptr && focused->window() == this && focused->isEnabled() ? focused
        : shown == 1                                                            ? only
                                                                                : nullptr;
    if (answer != nullptr) {
      answer->click();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

void CDialogWnd::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Centre();
}

void CDialogWnd::Prepare() {
  Centre();
}

int CDialogWnd::Run() {
  Centre();
  return exec();
}
