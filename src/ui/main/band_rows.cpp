#include "ui/main/band_rows.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/widget_builders.h"

namespace tolva::ui {
namespace {

namespace theme = kit::theme;

constexpr int kColumnWidth = 34;
constexpr int kRowHeight = 19;
constexpr int kDefaultFrequencies[kBands] = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

enum Row { kEnableRow, kFreqRow, kQRow, kGainRow, kSliderRow };

QLineEdit* BandEdit(QWidget* panel, const char* format, int band, const QString& text) {
  QLineEdit* edit = MakeEdit(panel, Indexed(format, band), text, kColumnWidth, kRowHeight, band);
  edit->setProperty("role", "band");
  return edit;
}

}  // namespace

int DefaultBandFrequency(int band) {
  return band >= 0 && band < kBands ? kDefaultFrequencies[band] : 0;
}

void BuildBandRows(QWidget* panel) {
  auto* grid = new QGridLayout(panel);
  theme::SetLayoutMetrics(grid, 5, 3);
  const struct {
    Row row;
    const char* text;
  } captions[] = {{kEnableRow, "${band}"},
                  {kFreqRow, "${freq_hz}"},
                  {kQRow, "Q"},
                  {kGainRow, "${gain_db}"},
                  {kSliderRow, "${gain}"}};
  for (const auto& caption : captions) {
    QLabel* label = MakeLabel(panel, QString(), QString::fromLatin1(caption.text), "caption");
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, caption.row, 0);
  }
  for (int band = 0; band < kBands; ++band) {
    const int col = band + 1;
    kit::CSButtonUI* enable = MakeButton(panel, Indexed("pt_enable_%d", band),
                                         QString::number(band + 1), kColumnWidth, kRowHeight, band);
    grid->addWidget(enable, kEnableRow, col);
    grid->addWidget(BandEdit(panel, "eq_freq_%d", band, QString::number(kDefaultFrequencies[band])),
                    kFreqRow, col);
    grid->addWidget(BandEdit(panel, "eq_q_%d", band, QStringLiteral("5.80")), kQRow, col);
    grid->addWidget(BandEdit(panel, "eq_gain_%d", band, QStringLiteral("0.0")), kGainRow, col);
    QSlider* slider =
        MakeSlider(panel, Indexed("eq_slider_%d", band), true, kBandGainMin, kBandGainMax, band);
    slider->setProperty("role", "band");  // gain is bipolar: no level fill
    slider->setValue(0);
    grid->addWidget(slider, kSliderRow, col, Qt::AlignHCenter);
  }
  grid->setRowStretch(kSliderRow, 1);
  grid->setColumnStretch(0, 1);
}

}  // namespace tolva::ui
