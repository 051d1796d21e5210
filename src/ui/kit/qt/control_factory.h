#pragma once

#include <QString>

#include <functional>
#include <map>

class QWidget;

// Custom controls by layout tag ("CircleProgress", "Curve", "CurveAc", "SButton"), tags compared
// without regard to case. A later Register for a tag replaces the earlier factory, so the
// application can put the real curve controls in place of the stand-ins.
namespace tolva::kit {

class ControlFactory {
 public:
  using Factory = std::function<QWidget*(QWidget* parent)>;

  // The process's factory, with the toolkit's own controls and the stand-ins registered.
  static ControlFactory& Instance();

  void Register(const QString& tag, Factory factory);
  // Null for a tag nobody registered.
  QWidget* Create(const QString& tag, QWidget* parent) const;
  bool Has(const QString& tag) const;

 private:
  ControlFactory();
  std::map<QString, Factory> factories_;  // key: lower-case tag
};

}  // namespace tolva::kit
