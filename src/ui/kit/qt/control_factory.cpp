#include "ui/kit/qt/control_factory.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/widgets/sbutton.h"

namespace tolva::kit {
namespace {

// Stands in for a curve control until the real one is registered: a framed plot area.
QWidget* MakeCurveStandIn(QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setProperty("panel", true);
  frame->setProperty("curveStandIn", true);
  auto* layout = new QVBoxLayout(frame);
  auto* label = new QLabel(QStringLiteral("20 Hz - 20 kHz"), frame);
  label->setAlignment(Qt::AlignCenter);
  label->setProperty("role", "caption");
  layout->addWidget(label);
  return frame;
}

}  // namespace

ControlFactory& ControlFactory::Instance() {
  static ControlFactory factory;
  return factory;
}

ControlFactory::ControlFactory() {
  Register(QStringLiteral("SButton"), [](QWidget* parent) { return new CSButtonUI(parent); });
  Register(QStringLiteral("CircleProgress"),
           [](QWidget* parent) { return new CCircleProgressUI(parent); });
  Register(QStringLiteral("Curve"), MakeCurveStandIn);
  Register(QStringLiteral("CurveAc"), MakeCurveStandIn);
}

void ControlFactory::Register(const QString& tag, Factory factory) {
  factories_.insert_or_assign(tag.toLower(), std::move(factory));
}

QWidget* ControlFactory::Create(const QString& tag, QWidget* parent) const {
  auto it = factories_.find(tag.toLower());
  return it == factories_.end() ? nullptr : it->second(parent);
}

bool ControlFactory::Has(const QString& tag) const {
  return factories_.count(tag.toLower()) != 0;
}

}  // namespace tolva::kit
