#include "ui/screen/curve_registration.h"

#include "ui/controls/ui_equalizer.h"
#include "ui/controls/ui_equalizer_ac.h"
#include "ui/kit/qt/control_factory.h"
#include "ui/kit/qt/qt_surface.h"

namespace tolva::ui {
namespace {

template <typename Control>
QWidget* MakeCurve(QWidget* parent) {
  auto* control = new Control(parent);
  QObject::connect(control, &curves::CurveGraphBase::Notify, control,
                   [control](const QString&, const QString& type, int user_data) {
                     kit::RaiseNotification(*control, type.toLatin1().constData(), user_data);
                   });
  return control;
}

}  // namespace

void RegisterCurveControls() {
  kit::ControlFactory::Instance().Register(QStringLiteral("Curve"), MakeCurve<curves::UIEqualizer>);
  kit::ControlFactory::Instance().Register(QStringLiteral("CurveAc"),
                                           MakeCurve<curves::UIEqualizerAc>);
}

}  // namespace tolva::ui
