#include "ui/dialog_wnd.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <strings.h>

#include "base/debug_print.h"
#include "ui/kit/message_types.h"
#include "ui/kit/qt_surface.h"
#include "ui/kit/qt_text.h"
#include "ui/kit/sbutton.h"
#include "ui/kit/theme.h"
#include "ui/widget_builders.h"

namespace theme = tolva::kit::theme;
using tolva::ui::MakeButton;
using tolva::ui::MakeLabel;

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
  text->hide();  // until there is a text: no blank band above the content
  body->addWidget(text);
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
  text->show();
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
  adjustSize();
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  QRect area;
  if (owner != nullptr) {
    area = owner->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  move(area.center() - rect().center());
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
