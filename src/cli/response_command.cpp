#include <cstdio>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "model/profile/channel_curves.h"
#include "model/files/profile_files.h"

namespace tolva::cli {

// Prints the channel's curves as CSV: frequency, high-pass, low-pass and total in dB.
int RunResponse(const std::string& path, int channel) {
  model::Profile profile;
  const model::ProfileReadResult result = model::ReadSceneProfile(path, profile);
  if (result != model::ProfileReadResult::kOk) return ProfileRefused(path, result);
  if (channel < 0) channel = profile.currChannel;
  if (channel < 0 || channel >= model::kOutputChannels) {
    std::fprintf(stderr, "the file's currChannel %d is not an output 0..5; use --channel\n",
                 channel);
    return kExitFailed;
  }
  dsp::ChannelCurves curves;
  model::ComputeChannelCurves(profile, channel, curves);
  const dsp::Curve& grid = dsp::StandardEvaluator().grid();
  std::printf("frequency_hz,hp_db,lp_db,total_db\n");
  for (std::size_t i = 0; i < dsp::kCurvePoints; ++i) {
    std::printf("%.17g,%.17g,%.17g,%.17g\n", grid[i], curves.hp[i], curves.lp[i], curves.total[i]);
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitOk : kExitFailed;
}

}  // namespace tolva::cli
