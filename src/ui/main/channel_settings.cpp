#include "ui/main/channel_settings.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/widget_builders.h"

namespace tolva::ui {
namespace {

namespace theme = kit::theme;

constexpr int kStripWidth = 74;
constexpr int kInner = kStripWidth - 8;

QWidget* BuildInputs(QWidget* strip, int ch) {
  auto* row = new QWidget(strip);
  auto* layout = new QHBoxLayout(row);
  theme::SetLayoutMetrics(layout, 0, 2);
  // Inputs 1-3 and 4(-6) sit in their own groups, which the logic shows or hides together.
  auto* first = new QWidget(row);
  first->setObjectName(Indexed("input_123_%d", ch));
  first->setProperty("userData", ch);
  auto* first_layout = new QHBoxLayout(first);
  theme::SetLayoutMetrics(first_layout, 0, 2);
  auto* second = new QWidget(row);
  second->setObjectName(Indexed("input_456_%d", ch));
  second->setProperty("userData", ch);
  auto* second_layout = new QHBoxLayout(second);
  theme::SetLayoutMetrics(second_layout, 0, 2);
  for (int input = 1; input <= 4; ++input) {
    QWidget* group = input <= 3 ? first : second;
    auto* option = MakeOption(group, QString::asprintf("option_ch_in%d_%d", input, ch),
                              QString::number(input), 15, 18, ch);
    option->SetAccent(QColor(0xff2f8fd8));
    group->layout()->addWidget(option);
  }
  layout->addWidget(first);
  layout->addWidget(second);
  layout->addStretch();
  return row;
}

QWidget* BuildStrip(QWidget* parent, int ch) {
  auto* strip = new QFrame(parent);
  strip->setObjectName(Indexed("channel_strip_%d", ch));
  strip->setProperty("panel", true);
  theme::FixSize(strip, kStripWidth, -1);
  auto* layout = new QVBoxLayout(strip);
  theme::SetLayoutMetrics(layout, 4, 4);

  auto* head = new QHBoxLayout();
  theme::SetLayoutMetrics(head, 0, 2);
  auto* enable =
      MakeOption(strip, Indexed("ch_enable_%d", ch), QString::asprintf("CH%d", ch + 1), -1, 22, ch);
  auto* show = MakeOption(strip, Indexed("ch_show_%d", ch), QString(), 22, 22, ch);
  show->setIcon(QIcon(QStringLiteral(":/images/eye.svg")));
  kit::SetToolTipText(show, QStringLiteral("${show_curve}"));
  head->addWidget(enable, 1);
  head->addWidget(show);
  layout->addLayout(head);

  layout->addWidget(MakeButton(strip, Indexed("ch_output_btn_%d", ch), QStringLiteral("${empty}"),
                               kInner, 40, ch));
  layout->addWidget(BuildInputs(strip, ch));

  auto* volume_bg = new QFrame(strip);
  volume_bg->setObjectName(Indexed("ch_volume_bg_%d", ch));
  volume_bg->setProperty("userData", ch);
  auto* volume_layout = new QHBoxLayout(volume_bg);
  theme::SetLayoutMetrics(volume_layout, 2, 0);
  auto* volume = MakeSlider(volume_bg, Indexed("slider_ch_volume_%d", ch), true, kChannelVolumeMin,
                            kChannelVolumeMax, ch);
  volume->setValue(0);
  volume_layout->addWidget(volume, 0, Qt::AlignHCenter);
  layout->addWidget(volume_bg, 1);

  layout->addWidget(
      MakeEdit(strip, Indexed("edit_ch_volume_%d", ch), QStringLiteral("0dB"), kInner, 20, ch));
  auto* mute =
      MakeOption(strip, Indexed("ch_mute_%d", ch), QStringLiteral("${mute}"), kInner, 22, ch);
  mute->SetAccent(theme::Warning());
  layout->addWidget(mute);
  layout->addWidget(MakeOption(strip, Indexed("ch_phase_%d", ch),
                               QStringLiteral("${positive_phase}"), kInner, 22, ch));

  auto* delay_label =
      MakeLabel(strip, Indexed("delay_lable_%d", ch), QStringLiteral("${delay}"), "caption");
  delay_label->setProperty("userData", ch);
  delay_label->setAlignment(Qt::AlignCenter);
  layout->addWidget(delay_label);
  layout->addWidget(
      MakeSlider(strip, Indexed("slider_ch_delay_%d", ch), false, 0, kDelayMaxMicroseconds, ch));
  layout->addWidget(
      MakeEdit(strip, Indexed("edit_ch_delay_%d", ch), QStringLiteral("0.000"), kInner, 20, ch));

  // Covers nothing by default; the logic may show it over an unassigned output.
  auto* empty = new QWidget(strip);
  empty->setObjectName(Indexed("control_empty_%d", ch));
  empty->setProperty("userData", ch);
  theme::FixSize(empty, -1, 0);
  layout->addWidget(empty);
  return strip;
}

}  // namespace

void BuildChannelSettings(QWidget* container) {
  auto* layout = new QHBoxLayout(container);
  theme::SetLayoutMetrics(layout, 0, 4);
  for (int ch = 0; ch < kChannelStrips; ++ch) layout->addWidget(BuildStrip(container, ch));
}

}  // namespace tolva::ui
