#include "model/edits/screen_text.h"

#include "model/edits/edit_rules.h"
#include "model/profile/scene_names.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace tolva::model {

namespace {

constexpr std::array<std::string_view, 25> kButtonLabels{
    "${empty}",
    "${front_left_tweeter}",
    "${front_left_midrange}",
    "${front_left_woofer}",
    "${front_left_mid_twee}",
    "${front_left_mid_woof}",
    "${front_left_full}",
    "${front_right_tweeter}",
    "${front_right_midrange}",
    "${front_right_woofer}",
    "${front_right_mid_twee}",
    "${front_right_mid_woof}",
    "${front_right_full}",
    "${rear_left_tweeter}",
    "${rear_left_woofer}",
    "${rear_left_full}",
    "${rear_right_tweeter}",
    "${rear_right_woofer}",
    "${rear_right_full}",
    "${center_tweeter}",
    "${center_woofer}",
    "${center_full}",
    "${left_subwoofer_freq}",
    "${right_subwoofer_freq}",
    "${subwoofer_freq}",
};

}  // namespace

std::string FormatNumber(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string GainText(double db) {
  std::string text = FormatNumber("%.1f", db);
  if (text == "-0.0") text = "0.0";
  return text;
}

std::string VolumeText(int db, int slider_minimum) {
  if (db == slider_minimum) return "${off}";
  return std::to_string(db) + "dB";
}

std::string DelayText(float ms, int unit) {
  char text[32];
  if (unit == static_cast<int>(DelayUnit::kCentimetres) ||
      unit == static_cast<int>(DelayUnit::kInches)) {
    const int full =
        unit == static_cast<int>(DelayUnit::kCentimetres) ? kCentimetresAt15Ms : kInchesAt15Ms;
    const double us = std::round(static_cast<double>(ms) * 1000.0);
    std::snprintf(text, sizeof text, "%d",
                  static_cast<int>(std::lround(us * full / kMaxDelayMs / 1000.0)));
  } else {
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ms));
  }
  return text;
}

std::string_view RoleButtonLabel(int role) {
  return role >= 0 && role < static_cast<int>(kButtonLabels.size()) ? kButtonLabels[role]
                                                                    : kButtonLabels[0];
}

std::string HeldValueText(std::string_view pattern, const ClampNote& note) {
  return FillPlaceholders(pattern, {FormatNumber("%g", note.asked), FormatNumber("%g", note.held)});
}

}  // namespace tolva::model
