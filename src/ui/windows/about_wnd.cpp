#include "ui/windows/about_wnd.h"

#include <QLabel>
#include <QVBoxLayout>

#include "base/version.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/main/widget_builders.h"

namespace tolva::ui {

using tolva::kit::Resolve;

QString CAboutWnd::FirmwareText(const AboutInfo& info) {
  const QString product = QString::fromLatin1(kProductName);
  if (info.model_id == -1) {
    return QStringLiteral("%1 %2").arg(product, Resolve(QStringLiteral("${dsp_disconnect}")));
  }
  return QStringLiteral("%1 %2 v%3.%4")
      .arg(product, Resolve(QStringLiteral("${version}")))
      .arg(info.master_version)
      .arg(info.slave_version);
}

QString CAboutWnd::SoftwareText() {
  return QStringLiteral("%1 v%2").arg(Resolve(QStringLiteral("${soft_version}")),
                                      QString::fromLatin1(tolva::kVersion));
}

CAboutWnd::CAboutWnd(QWidget* owner, const AboutInfo& info)
    : CDialogWnd(owner, "msgwnd", "AboutWnd") {
  SetTitle(QStringLiteral("${about}"));
  SetText(QStringLiteral("Tolva DSP Audio"));
  // Composed once, when the window opens.
  for (const auto& [name, text] :
       {std::pair{"fw_version", FirmwareText(info)}, std::pair{"soft_version", SoftwareText()}}) {
    QLabel* label = tolva::ui::MakeLabel(this, QString::fromLatin1(name), text);
    label->setAlignment(Qt::AlignCenter);
    Content()->addWidget(label);
  }
  AddButton("confirm_btn", QStringLiteral("${confirm}"));
  AddButton("cancel_btn", QStringLiteral("${cancel}"))->hide();
  AddButton("third_btn", QString())->hide();
  FinishLayout();
}

int ShowAboutDialog(QWidget* owner, const AboutInfo& info) {
  CAboutWnd dialog(owner, info);
  return dialog.Run();
}

}  // namespace tolva::ui
