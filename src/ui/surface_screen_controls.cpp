#include "ui/surface_screen_controls.h"

#include <array>

#include "ui/control_names.h"
#include "ui/controls/curve_data.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/control_surface.h"

namespace tolva::ui {

std::string SurfaceScreenControls::Text(model::ControlId id) const {
  kit::Control* c = surface_.FindControl(LayoutName(id));
  return c != nullptr ? c->RawText() : std::string();
}

int SurfaceScreenControls::SliderValue(model::ControlId id) const {
  kit::Slider* s = surface_.FindSlider(LayoutName(id));
  return s != nullptr ? s->Value() : 0;
}

bool SurfaceScreenControls::IsSelected(model::ControlId id) const {
  if (kit::Button* b = surface_.FindButton(LayoutName(id))) return b->IsSelected();
  if (kit::Option* o = surface_.FindOption(LayoutName(id))) return o->IsSelected();
  return false;
}

std::string SurfaceScreenControls::ItemText(model::ControlId combo, int index) const {
  kit::Combo* c = surface_.FindCombo(LayoutName(combo));
  return c != nullptr && index >= 0 && index < c->Count() ? c->ItemText(index) : std::string();
}

model::EqualizerGraphData::Band SurfaceScreenControls::GraphBand(int band) const {
  if (graph_ == nullptr || band < 0 || band >= graph_->BandCount()) return {};
  const curves::CurveBand b = graph_->Band(band);
  return {b.gain, b.q, b.freq};
}

int SurfaceScreenControls::GraphHpFreq() const {
  return graph_ != nullptr ? graph_->HpFreq() : model::kMinFrequency;
}

int SurfaceScreenControls::GraphLpFreq() const {
  return graph_ != nullptr ? graph_->LpFreq() : model::kMaxFrequency;
}

void SurfaceScreenControls::SetText(model::ControlId id, std::string_view text) {
  if (kit::Control* c = surface_.FindControl(LayoutName(id))) c->SetText(text);
}

void SurfaceScreenControls::SetSelected(model::ControlId id, bool selected) {
  if (kit::Button* b = surface_.FindButton(LayoutName(id))) {
    b->SetSelected(selected);
  } else if (kit::Option* o = surface_.FindOption(LayoutName(id))) {
    o->SetSelected(selected);
  }
}

void SurfaceScreenControls::SetVisible(model::ControlId id, bool visible) {
  if (kit::Control* c = surface_.FindControl(LayoutName(id))) c->SetVisible(visible);
}

void SurfaceScreenControls::SetEnabled(model::ControlId id, bool enabled) {
  if (kit::Control* c = surface_.FindControl(LayoutName(id))) c->SetEnabled(enabled);
}

void SurfaceScreenControls::SetTextColor(model::ControlId id, std::uint32_t argb) {
  if (kit::Button* b = surface_.FindButton(LayoutName(id))) {
    b->SetTextColor(argb);
  } else if (kit::Label* l = surface_.FindLabel(LayoutName(id))) {
    l->SetTextColor(argb);
  }
}

void SurfaceScreenControls::SetSliderValue(model::ControlId id, int value) {
  if (kit::Slider* s = surface_.FindSlider(LayoutName(id))) s->SetValue(value);
}

void SurfaceScreenControls::SelectItem(model::ControlId combo, int index) {
  if (kit::Combo* c = surface_.FindCombo(LayoutName(combo))) c->SelectItem(index);
}

int SurfaceScreenControls::CurSel(model::ControlId combo) const {
  kit::Combo* c = surface_.FindCombo(LayoutName(combo));
  return c != nullptr ? c->CurSel() : -1;
}

void SurfaceScreenControls::SetItemVisible(model::ControlId combo, std::string_view item,
                                           bool visible) {
  kit::Combo* c = surface_.FindCombo(LayoutName(combo));
  if (c == nullptr) return;
  const int index = c->FindItem(item);
  if (index >= 0) c->SetItemVisible(index, visible);
}

void SurfaceScreenControls::SetItemHeight(model::ControlId combo, int pixels) {
  if (kit::Combo* c = surface_.FindCombo(LayoutName(combo))) c->SetItemHeight(pixels);
}

int SurfaceScreenControls::DisplayScalePercent() const {
  return surface_.DisplayScalePercent();
}

void SurfaceScreenControls::SetEqualizerGraph(const model::EqualizerGraphData& data) {
  if (graph_ == nullptr) return;
  std::array<curves::CurveBand, model::kEqBands> bands{};
  const int count = std::clamp(data.band_count, 0, model::kEqBands);
  for (int i = 0; i < count; ++i) {
    bands[i].gain = data.bands[i].gain;
    bands[i].q = data.bands[i].q;
    bands[i].freq = data.bands[i].freq;
  }
  graph_->SetBands(std::span(bands.data(), static_cast<std::size_t>(count)), data.highlight);
  graph_->setCurEqHpLp(data.hp_freq, data.lp_freq);
  std::array<curves::CurveData, model::kOutputChannels> channels{};
  for (int ch = 0; ch < model::kOutputChannels; ++ch) {
    if (data.curves[ch] == nullptr || data.grid == nullptr) continue;
    channels[ch].frequencies = std::span<const double>(*data.grid);
    channels[ch].values = std::span<const double>(*data.curves[ch]);
    channels[ch].shown = data.shown[ch];
  }
  graph_->SetCurves(channels, data.current);
}

void SurfaceScreenControls::SetGraphPeqMode(bool peq) {
  if (graph_ != nullptr) graph_->SetPeqMode(peq ? 1 : 0);
}

}  // namespace tolva::ui
