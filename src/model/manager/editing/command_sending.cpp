#include "model/manager/editing/command_sending.h"

#include <array>
#include <span>
#include <variant>

namespace tolva::model {
namespace {

constexpr int kLinkScene = 0;   // the link and lock operations always address scene 0
constexpr int kEditSource = 0;  // per-source values the edits send address source 0

// The builders of the per-output lists, in the order of ChannelField.
using ListBuilder = void (device::DspLink::*)(int, int, int, int, std::span<const int>, bool);
constexpr std::array<ListBuilder, 6> kListBuilders{
    &device::DspLink::CH_Type_Ctrl,    &device::DspLink::Trim_Ctrl,
    &device::DspLink::Mute_Ch_Ctrl,    &device::DspLink::Phase_Ctrl,
    &device::DspLink::PEQ_Bypass_Ctrl, &device::DspLink::Mix_Ch_Ctrl};

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace

void SendCommands(device::DspLink& link, const std::vector<ParameterCommand>& commands, bool sync) {
  for (const ParameterCommand& command : commands) {
    std::visit(
        Overloaded{
            [&](const SourceCommand& c) { link.Source_Switch_Ctrl(c.source, sync); },
            [&](const MainVolumeCommand& c) { link.Main_Volume_Ctrl(c.volume, sync); },
            [&](const MainMuteCommand& c) { link.Mute_Ctrl(c.mute, sync); },
            [&](const LockCommand& c) { link.CH_Lock_Ctrl(kLinkScene, c.lock, sync); },
            [&](const LinkCommand& c) {
              link.CH_Link_Ctrl(kLinkScene, c.link, static_cast<int>(c.pairs.size() / 2), c.pairs,
                                sync);
            },
            [&](const FilterCommand& c) {
              link.Filter_Ctrl(c.scene, kEditSource, c.channel, c.filter, c.type, c.fs, c.slope,
                               sync);
            },
            [&](const BandCommand& c) {
              link.EQ_Ctrl(c.scene, kEditSource, c.channel, c.band, c.freq, c.q, c.gain, sync);
            },
            [&](const BandResetCommand& c) {
              link.PEQ_Reset_Ctrl(c.scene, kEditSource, static_cast<int>(c.channels.size()),
                                  c.channels, sync);
            },
            [&](const ChannelListCommand& c) {
              const ListBuilder builder = kListBuilders.at(static_cast<std::size_t>(c.field));
              (link.*builder)(c.scene, c.source, c.first, c.last, c.values, sync);
            },
            [&](const DelayCommand& c) {
              link.Delay_Ctrl(c.scene, kEditSource, c.first, c.last, c.delays, sync);
            },
            [&](const MixTrimCommand& c) {
              link.Input_Mix_Trim_Ctrl(c.scene, c.source, c.input, c.first, c.last, c.trims, sync);
            },
        },
        command);
  }
}

}  // namespace tolva::model
