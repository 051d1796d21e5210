#pragma once

// Shared by the curve control tests: the 512-point response grid and pixel probes.

#include <QImage>
#include <QWidget>

#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <span>

#include "ui/controls/ui_equalizer.h"

namespace tolva::curves::testing {

// The response grid: 511 log-spaced points up to half the 48 kHz rate, then the rate itself.
inline std::array<double, 512> ResponseGrid() {
  std::array<double, 512> grid{};
  const double decades = std::log10(48000.0 / 2.0);
  for (std::size_t i = 0; i + 1 < grid.size(); ++i) {
    grid[i] = std::pow(10.0, decades * double(i + 1) / double(grid.size() - 1));
  }
  grid.back() = 48000.0;
  return grid;
}

template <std::size_t N>
std::array<double, N> Sample(const std::array<double, N>& freqs,
                             const std::function<double(double)>& db_of_hz) {
  std::array<double, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = db_of_hz(freqs[i]);
  return out;
}

inline QImage Grab(QWidget& w) {
  return w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// True when a pixel of exactly that colour lies in column x within rows y - slack .. y + slack.
inline bool ColourNear(const QImage& img, int x, int y, QRgb colour, int slack = 2) {
  for (int yy = y - slack; yy <= y + slack; ++yy) {
    if (yy >= 0 && yy < img.height() && img.pixel(x, yy) == colour) return true;
  }
  return false;
}

inline int CountColour(const QImage& img, QRgb colour, QRect area) {
  int n = 0;
  area = area.intersected(img.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) n += img.pixel(x, y) == colour;
  }
  return n;
}

// Pixels that are mostly red: antialiased red text has few pixels of the exact colour.
inline int CountReddish(const QImage& img, QRect area) {
  int n = 0;
  area = area.intersected(img.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = img.pixel(x, y);
      n += qRed(p) > 150 && qGreen(p) < 80 && qBlue(p) < 80;
    }
  }
  return n;
}

// An equalizer graph in PEQ mode as the main window shows it, at a display scale.
struct EqualizerScene {
  int scale = 100;
  QSize size_at_100{880, 300};
  std::span<const CurveBand> bands;
  int selected = -1;
  int hp = -1;
  int lp = -1;
  std::span<const CurveData> channels;
};

inline void Show(UIEqualizer& eq, const EqualizerScene& scene) {
  eq.SetScalePercent(scene.scale);
  eq.resize(scene.size_at_100 * scene.scale / 100);
  eq.SetPeqMode(1);
  eq.SetBands(scene.bands, scene.selected);
  eq.setCurEqHpLp(scene.hp, scene.lp);
  eq.SetCurves(scene.channels, 0);
}

}  // namespace tolva::curves::testing
