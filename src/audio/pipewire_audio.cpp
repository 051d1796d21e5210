#include "audio/pipewire_audio.h"

#include <pipewire/filter.h>
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>
#include <spa/param/param.h>
#include <spa/pod/builder.h>
#include <spa/utils/result.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace tolva::audio {
namespace {

constexpr int kSyncTimeoutSeconds = 5;
// The graph has to deliver something within this long once the streams are linked.
constexpr int kStallSeconds = 5;
// The cycle the measurement streams ask the graph for.
constexpr unsigned kCycleFrames = 4096;
// A run the graph lost a cycle of is played again, this many times in all.
constexpr int kAttempts = 3;
constexpr char kLostCycle[] =
    "the audio graph lost a cycle while measuring (the computer was too busy): measure again";

struct NodeInfo {
  std::string name, description, media_class;
};

struct PortInfo {
  std::uint32_t node = 0;
  std::uint32_t index = 0;  // port.id: the port's place on its node
  bool output = false;
  bool monitor = false;
};

// Whether each cycle follows the one before: the driver's position grows by the duration of
// every cycle, so a cycle skipped (this client was late) or seen twice (a node before it was
// late) breaks the count, and with it the stream's timing.
struct CycleCount {
  bool known = false;
  std::uint64_t next = 0;
  bool Follows(const spa_io_position* position) {
    const bool follows = !known || position->clock.position == next;
    known = true;
    next = position->clock.position + position->clock.duration;
    return follows;
  }
};

std::string Prop(const spa_dict* props, const char* key) {
  const char* v = props ? spa_dict_lookup(props, key) : nullptr;
  return v ? v : "";
}

}  // namespace

// Everything below is touched on the thread loop's thread (registry, core and stream events)
// and by callers holding the thread loop's lock, which the loop also holds while it runs
// callbacks: the lock guards every member.
struct PipeWireAudio::Connection {
  pw_thread_loop* loop = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  pw_registry* registry = nullptr;
  spa_hook core_listener{};
  spa_hook registry_listener{};
  std::map<std::uint32_t, NodeInfo> nodes;
  std::map<std::uint32_t, PortInfo> ports;
  int sync_seq = -1;
  bool synced = false;
  std::string core_error;

  ~Connection() {
    if (loop) pw_thread_loop_stop(loop);
    if (registry) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
    if (core) pw_core_disconnect(core);
    if (context) pw_context_destroy(context);
    if (loop) pw_thread_loop_destroy(loop);
  }

  // Waits (lock held) until `done` holds or the seconds pass; false on time-out. It looks
  // again every 10 ms, as the data thread signals without the lock and a wake-up may be lost.
  template <typename Done>
  bool WaitFor(Done done, int seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(std::max(seconds, 0));
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return done();
      timespec step{};
      pw_thread_loop_get_time(loop, &step, 10 * SPA_NSEC_PER_MSEC);
      pw_thread_loop_timed_wait_full(loop, &step);
    }
    return true;
  }

  // A round trip to the daemon (lock held): every object announced before is known after.
  bool Sync() {
    synced = false;
    sync_seq = pw_core_sync(core, PW_ID_CORE, sync_seq);
    return WaitFor([this] { return synced || !core_error.empty(); }, kSyncTimeoutSeconds) &&
           core_error.empty();
  }

  // The node called `name`; for "NAME.monitor" the sink NAME, with monitor set.
  std::optional<std::uint32_t> FindNode(const std::string& name, bool& monitor) const {
    monitor = false;
    for (const auto& [id, node] : nodes) {
      if (node.name == name) return id;
    }
    const std::string suffix = ".monitor";
    if (name.size() > suffix.size() && name.ends_with(suffix)) {
      const std::string sink = name.substr(0, name.size() - suffix.size());
      for (const auto& [id, node] : nodes) {
        if (node.name == sink) {
          monitor = true;
          return id;
        }
      }
    }
    return std::nullopt;
  }

  // The node's ports of one direction, in their order on the node.
  std::vector<std::uint32_t> PortsOf(std::uint32_t node, bool output, bool monitor) const {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> found;
    for (const auto& [id, port] : ports) {
      if (port.node == node && port.output == output && port.monitor == monitor)
        found.emplace_back(port.index, id);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::uint32_t> ids;
    for (const auto& [index, id] : found) ids.push_back(id);
    return ids;
  }

  // Gives another client's stream node one float port per channel, as a session manager does
  // for the streams it manages (lock held).
  void ConfigurePorts(std::uint32_t node_id, bool output, int channels, double rate) {
    auto* node = static_cast<pw_node*>(
        pw_registry_bind(registry, node_id, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
    if (!node) return;
    std::uint8_t buffer[2048];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.rate = static_cast<std::uint32_t>(rate);
    info.channels = static_cast<std::uint32_t>(channels);
    for (int i = 0; i < channels && i < static_cast<int>(SPA_AUDIO_MAX_CHANNELS); ++i)
      info.position[i] = SPA_AUDIO_CHANNEL_AUX0 + static_cast<std::uint32_t>(i);
    spa_pod* format = spa_format_audio_raw_build(&builder, SPA_PARAM_Format, &info);
    auto* param = static_cast<spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamPortConfig, SPA_PARAM_PortConfig,
        SPA_PARAM_PORT_CONFIG_direction,
        SPA_POD_Id(output ? SPA_DIRECTION_OUTPUT : SPA_DIRECTION_INPUT), SPA_PARAM_PORT_CONFIG_mode,
        SPA_POD_Id(SPA_PARAM_PORT_CONFIG_MODE_dsp), SPA_PARAM_PORT_CONFIG_format,
        SPA_POD_Pod(format)));
    pw_node_set_param(node, SPA_PARAM_PortConfig, 0, param);
    Sync();
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(node));
  }

  // Links out_ports[i] to in_ports[i] for as many pairs as both sides have.
  std::vector<pw_proxy*> Link(std::uint32_t out_node, const std::vector<std::uint32_t>& out_ports,
                              std::uint32_t in_node, const std::vector<std::uint32_t>& in_ports,
                              bool linger) {
    std::vector<pw_proxy*> links;
    for (std::size_t i = 0; i < std::min(out_ports.size(), in_ports.size()); ++i) {
      pw_properties* props =
          pw_properties_new(PW_KEY_OBJECT_LINGER, linger ? "true" : "false", nullptr);
      pw_properties_setf(props, PW_KEY_LINK_OUTPUT_NODE, "%u", out_node);
      pw_properties_setf(props, PW_KEY_LINK_OUTPUT_PORT, "%u", out_ports[i]);
      pw_properties_setf(props, PW_KEY_LINK_INPUT_NODE, "%u", in_node);
      pw_properties_setf(props, PW_KEY_LINK_INPUT_PORT, "%u", in_ports[i]);
      auto* link = static_cast<pw_proxy*>(pw_core_create_object(
          core, "link-factory", PW_TYPE_INTERFACE_Link, PW_VERSION_LINK, &props->dict, 0));
      pw_properties_free(props);
      if (link) links.push_back(link);
    }
    return links;
  }
};

namespace {

void OnGlobal(void* data, std::uint32_t id, std::uint32_t, const char* type, std::uint32_t,
              const spa_dict* props) {
  auto* c = static_cast<PipeWireAudio::Connection*>(data);
  if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
    c->nodes[id] = {Prop(props, PW_KEY_NODE_NAME), Prop(props, PW_KEY_NODE_DESCRIPTION),
                    Prop(props, PW_KEY_MEDIA_CLASS)};
  } else if (std::strcmp(type, PW_TYPE_INTERFACE_Port) == 0) {
    PortInfo p;
    p.node =
        static_cast<std::uint32_t>(std::strtoul(Prop(props, PW_KEY_NODE_ID).c_str(), nullptr, 10));
    p.index =
        static_cast<std::uint32_t>(std::strtoul(Prop(props, PW_KEY_PORT_ID).c_str(), nullptr, 10));
    p.output = Prop(props, PW_KEY_PORT_DIRECTION) == "out";
    p.monitor = Prop(props, PW_KEY_PORT_MONITOR) == "true";
    c->ports[id] = p;
  }
  pw_thread_loop_signal(c->loop, false);
}

void OnGlobalRemove(void* data, std::uint32_t id) {
  auto* c = static_cast<PipeWireAudio::Connection*>(data);
  c->nodes.erase(id);
  c->ports.erase(id);
}

const pw_registry_events kRegistryEvents = {
    .version = PW_VERSION_REGISTRY_EVENTS, .global = OnGlobal, .global_remove = OnGlobalRemove};

void OnDone(void* data, std::uint32_t id, int seq) {
  auto* c = static_cast<PipeWireAudio::Connection*>(data);
  if (id == PW_ID_CORE && seq == c->sync_seq) {
    c->synced = true;
    pw_thread_loop_signal(c->loop, false);
  }
}

void OnError(void* data, std::uint32_t id, int, int res, const char* message) {
  auto* c = static_cast<PipeWireAudio::Connection*>(data);
  // Errors of our own objects (a link refused) come with their id; only the core's is fatal.
  if (id == PW_ID_CORE && res == -EPIPE) {
    c->core_error = std::string("the PipeWire daemon went away: ") + (message ? message : "");
    pw_thread_loop_signal(c->loop, false);
  }
}

const pw_core_events kCoreEvents = {
    .version = PW_VERSION_CORE_EVENTS, .done = OnDone, .error = OnError};

// One play-and-record (or listen-only) run: its filters, ports, links and buffers. A filter
// node has one float port per channel from the start, so neither needs a session manager to
// negotiate a format or lay out its ports. Both process on the data thread in the graph's own
// cycle, every cycle, so no sample is dropped or doubled; the caller, holding the thread loop's
// lock, only polls `done` and `captured_frames` and reads the rest once `done` is set.
struct Session {
  PipeWireAudio::Connection* connection = nullptr;
  pw_filter* play = nullptr;
  pw_filter* capture = nullptr;
  spa_hook play_listener{};
  spa_hook capture_listener{};
  std::vector<void*> play_ports, capture_ports;
  std::vector<pw_proxy*> links;
  std::uint32_t rate = 48000;

  // Data thread only (both filters share the client's one data thread).
  const std::vector<std::vector<float>>* played = nullptr;
  std::size_t play_length = 0;
  std::size_t play_position = 0;
  bool armed = false;  // capture has begun: playback may start
  std::vector<std::vector<float>> captured;
  std::size_t captured_at_play_start = 0;
  std::size_t wanted_after_play = 0;  // frames to capture once playback started
  measure::InputMeter* meter = nullptr;
  std::vector<float> interleaved;  // the meter's view of one cycle
  CycleCount play_cycles, capture_cycles;
  bool lost_cycle = false;  // read once `done` is set

  std::atomic<std::size_t> captured_frames{0};
  std::atomic<bool> done{false};
  std::mutex error_mutex;
  std::string error;

  ~Session() {
    for (pw_proxy* link : links) pw_proxy_destroy(link);
    if (play) pw_filter_destroy(play);
    if (capture) pw_filter_destroy(capture);
  }

  void Fail(const std::string& why) {
    {
      const std::lock_guard lock(error_mutex);
      if (error.empty()) error = why;
    }
    Finish();
  }
  void Finish() {
    done.store(true, std::memory_order_release);
    pw_thread_loop_signal(connection->loop, false);
  }
  std::string Error() {
    const std::lock_guard lock(error_mutex);
    return error;
  }
  // Once playback has begun, every cycle of both streams must follow the one before.
  void CheckCycles(CycleCount& count, const spa_io_position* position) {
    if (!count.Follows(position) && play_position > 0 && !done.load(std::memory_order_relaxed)) {
      lost_cycle = true;
      Fail(kLostCycle);
    }
  }

  // The graph's rate is the filters' rate: a graph running at another one would record a
  // sweep that no longer matches its inverse.
  bool RateHolds(const spa_io_position* position) {
    if (!position || position->clock.rate.denom == 0 || position->clock.rate.denom == rate)
      return true;
    Fail("the audio graph runs at " + std::to_string(position->clock.rate.denom) + " Hz, not " +
         std::to_string(rate) + " Hz: measure with --rate " +
         std::to_string(position->clock.rate.denom));
    return false;
  }
};

void OnPlayProcess(void* data, spa_io_position* position) {
  auto* s = static_cast<Session*>(data);
  if (!position || !s->RateHolds(position)) return;
  const auto frames = static_cast<std::uint32_t>(position->clock.duration);
  s->CheckCycles(s->play_cycles, position);
  if (s->armed && s->play_position == 0)
    s->captured_at_play_start = s->captured_frames.load(std::memory_order_relaxed);
  const std::size_t from = s->armed ? s->play_position : s->play_length;
  const std::size_t count = std::min<std::size_t>(frames, s->play_length - from);
  for (std::size_t c = 0; c < s->play_ports.size(); ++c) {
    auto* out = static_cast<float*>(pw_filter_get_dsp_buffer(s->play_ports[c], frames));
    if (!out) continue;
    std::copy_n((*s->played)[c].begin() + static_cast<std::ptrdiff_t>(from), count, out);
    std::fill(out + count, out + frames, 0.0f);
  }
  if (s->armed) s->play_position = from + count;
}

void OnCaptureProcess(void* data, spa_io_position* position) {
  auto* s = static_cast<Session*>(data);
  if (!position || s->done.load(std::memory_order_acquire) || !s->RateHolds(position)) return;
  const auto frames = static_cast<std::size_t>(position->clock.duration);
  const std::size_t channels = s->capture_ports.size();
  if (s->meter) {
    s->interleaved.assign(frames * channels, 0.0f);
    for (std::size_t c = 0; c < channels; ++c) {
      const auto* in = static_cast<const float*>(
          pw_filter_get_dsp_buffer(s->capture_ports[c], static_cast<std::uint32_t>(frames)));
      for (std::size_t i = 0; in && i < frames; ++i) s->interleaved[i * channels + c] = in[i];
    }
    s->meter->Feed(s->interleaved);
  } else {
    s->CheckCycles(s->capture_cycles, position);
    for (std::size_t c = 0; c < channels; ++c) {
      const auto* in = static_cast<const float*>(
          pw_filter_get_dsp_buffer(s->capture_ports[c], static_cast<std::uint32_t>(frames)));
      // A port without a buffer this cycle records silence, keeping the channels in step.
      if (in)
        s->captured[c].insert(s->captured[c].end(), in, in + frames);
      else
        s->captured[c].resize(s->captured[c].size() + frames, 0.0f);
    }
    if (frames > 0) s->armed = true;
  }
  const std::size_t total = s->captured_frames.load(std::memory_order_relaxed) + frames;
  s->captured_frames.store(total, std::memory_order_release);
  const bool enough = s->meter ? total >= s->wanted_after_play
                               : s->play_position >= s->play_length &&
                                     total >= s->captured_at_play_start + s->wanted_after_play;
  if (enough) s->Finish();
}

void OnStateChanged(void* data, pw_filter_state, pw_filter_state state, const char* error) {
  auto* s = static_cast<Session*>(data);
  if (state == PW_FILTER_STATE_ERROR)
    s->Fail(std::string("PipeWire filter failed: ") + (error ? error : "unknown error"));
}

const pw_filter_events kPlayEvents = {
    .version = PW_VERSION_FILTER_EVENTS, .state_changed = OnStateChanged, .process = OnPlayProcess};
const pw_filter_events kCaptureEvents = {.version = PW_VERSION_FILTER_EVENTS,
                                         .state_changed = OnStateChanged,
                                         .process = OnCaptureProcess};

pw_filter* MakeFilter(PipeWireAudio::Connection& c, bool playback, int channels, Session& session,
                      spa_hook& listener, std::vector<void*>& ports, std::string& error) {
  // One group: one driver clocks playback and capture, whichever devices they are linked to.
  const std::string group = "tolva-measure-" + std::to_string(::getpid());
  pw_properties* props = pw_properties_new(
      PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, playback ? "Playback" : "Capture",
      PW_KEY_MEDIA_ROLE, "DSP", PW_KEY_NODE_NAME,
      playback ? "tolva-measure-play" : "tolva-measure-record", PW_KEY_NODE_GROUP, group.c_str(),
      PW_KEY_NODE_AUTOCONNECT, "false", PW_KEY_NODE_ALWAYS_PROCESS, "true", nullptr);
  pw_properties_setf(props, PW_KEY_NODE_RATE, "1/%u", session.rate);
  // A measurement needs no low latency, and long cycles leave a busy machine room to keep up
  // (PipeWire holds the request to its largest quantum, 2048 by default).
  pw_properties_setf(props, PW_KEY_NODE_LATENCY, "%u/%u", kCycleFrames, session.rate);
  pw_filter* filter = pw_filter_new(
      c.core, playback ? "tolva-dsp measurement playback" : "tolva-dsp measurement capture", props);
  if (!filter) {
    error = "PipeWire refused a filter";
    return nullptr;
  }
  pw_filter_add_listener(filter, &listener, playback ? &kPlayEvents : &kCaptureEvents, &session);
  for (int i = 0; i < channels; ++i) {
    const std::string name = (playback ? "out_" : "in_") + std::to_string(i + 1);
    void* port = pw_filter_add_port(filter, playback ? PW_DIRECTION_OUTPUT : PW_DIRECTION_INPUT,
                                    PW_FILTER_PORT_FLAG_MAP_BUFFERS, sizeof(std::uint32_t),
                                    pw_properties_new(PW_KEY_FORMAT_DSP, "32 bit float mono audio",
                                                      PW_KEY_PORT_NAME, name.c_str(), nullptr),
                                    nullptr, 0);
    if (!port) {
      error = "PipeWire refused a port";
      return filter;
    }
    ports.push_back(port);
  }
  const int res = pw_filter_connect(filter, PW_FILTER_FLAG_RT_PROCESS, nullptr, 0);
  if (res < 0) error = std::string("PipeWire filter could not connect: ") + spa_strerror(res);
  return filter;
}

// Waits (lock held) until the filter's node shows its `count` ports in the registry.
std::optional<std::uint32_t> FilterNode(PipeWireAudio::Connection& c, pw_filter* filter,
                                        bool output, std::size_t count) {
  std::uint32_t id = SPA_ID_INVALID;
  const bool ready = c.WaitFor(
      [&] {
        id = pw_filter_get_node_id(filter);
        return !c.core_error.empty() ||
               (id != SPA_ID_INVALID && c.PortsOf(id, output, false).size() >= count);
      },
      kSyncTimeoutSeconds);
  if (!ready || !c.core_error.empty()) return std::nullopt;
  return id;
}

std::string NoDevice(const std::string& name) {
  return "no PipeWire device \"" + name + "\" (tolva-dsp-cli measure devices lists them)";
}

}  // namespace

std::unique_ptr<PipeWireAudio> OpenPipeWire(std::string& error) {
  static std::once_flag init;
  std::call_once(init, [] { pw_init(nullptr, nullptr); });
  auto c = std::make_unique<PipeWireAudio::Connection>();
  c->loop = pw_thread_loop_new("tolva-measure", nullptr);
  if (!c->loop) {
    error = "PipeWire: no thread loop";
    return nullptr;
  }
  c->context = pw_context_new(pw_thread_loop_get_loop(c->loop), nullptr, 0);
  if (!c->context || pw_thread_loop_start(c->loop) < 0) {
    error = "PipeWire: no context";
    return nullptr;
  }
  pw_thread_loop_lock(c->loop);
  c->core = pw_context_connect(c->context, nullptr, 0);
  if (!c->core) {
    error = std::string("PipeWire is not running for this user: ") + std::strerror(errno);
    pw_thread_loop_unlock(c->loop);
    return nullptr;
  }
  pw_core_add_listener(c->core, &c->core_listener, &kCoreEvents, c.get());
  c->registry = pw_core_get_registry(c->core, PW_VERSION_REGISTRY, 0);
  pw_registry_add_listener(c->registry, &c->registry_listener, &kRegistryEvents, c.get());
  const bool synced = c->Sync();
  pw_thread_loop_unlock(c->loop);
  if (!synced) {
    error = c->core_error.empty() ? "PipeWire did not answer" : c->core_error;
    return nullptr;
  }
  return std::unique_ptr<PipeWireAudio>(new PipeWireAudio(std::move(c)));
}

PipeWireAudio::PipeWireAudio(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}
PipeWireAudio::~PipeWireAudio() = default;

std::vector<AudioDevice> PipeWireAudio::Devices() {
  Connection& c = *connection_;
  std::vector<AudioDevice> out;
  pw_thread_loop_lock(c.loop);
  c.Sync();
  for (const auto& [id, node] : c.nodes) {
    const bool sink =
        node.media_class.starts_with("Audio/Sink") || node.media_class == "Audio/Duplex";
    const bool source =
        node.media_class.starts_with("Audio/Source") || node.media_class == "Audio/Duplex";
    const std::string description = node.description.empty() ? node.name : node.description;
    if (sink) {
      out.push_back({node.name, description, static_cast<int>(c.PortsOf(id, false, false).size()),
                     true, false});
      out.push_back({node.name + ".monitor", "what " + description + " plays",
                     static_cast<int>(c.PortsOf(id, true, true).size()), false, true});
    }
    if (source)
      out.push_back({node.name, description, static_cast<int>(c.PortsOf(id, true, false).size()),
                     false, true});
  }
  pw_thread_loop_unlock(c.loop);
  return out;
}

std::string PipeWireAudio::LinkDevices(const std::string& from, const std::string& to) {
  Connection& c = *connection_;
  pw_thread_loop_lock(c.loop);
  c.Sync();
  bool from_monitor = false, to_monitor = false;
  const auto out_node = c.FindNode(from, from_monitor);
  const auto in_node = c.FindNode(to, to_monitor);
  std::string error;
  if (!out_node)
    error = NoDevice(from);
  else if (!in_node || to_monitor)
    error = NoDevice(to);
  else {
    const auto links = c.Link(*out_node, c.PortsOf(*out_node, true, from_monitor), *in_node,
                              c.PortsOf(*in_node, false, false), true);
    if (links.empty()) error = "nothing to link from " + from + " to " + to;
    c.Sync();
    // The links linger in the daemon; the proxies are ours to drop.
    for (pw_proxy* link : links) pw_proxy_destroy(link);
  }
  pw_thread_loop_unlock(c.loop);
  return error;
}

Recorded PipeWireAudio::PlayAndRecord(const PlayRecordRequest& request) {
  Recorded r;
  if (request.play.empty() || request.record_channels < 1) {
    r.error = "nothing to play or record";
    return r;
  }
  // A lost cycle shifts what follows it: the run is played again rather than measured wrong.
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    bool lost_cycle = false;
    r = PlayAndRecordOnce(request, lost_cycle);
    if (!lost_cycle) break;
    r.replayed = attempt;
  }
  return r;
}

Recorded PipeWireAudio::PlayAndRecordOnce(const PlayRecordRequest& request, bool& lost_cycle) {
  Recorded r;
  Connection& c = *connection_;
  pw_thread_loop_lock(c.loop);
  // The session's filters and links go while the lock is held, as the loop may still call them.
  {
    Session s;
    s.connection = &c;
    s.rate = static_cast<std::uint32_t>(request.rate);
    s.played = &request.play;
    s.play_length = request.play.front().size();
    s.captured.assign(static_cast<std::size_t>(request.record_channels), {});
    s.wanted_after_play =
        s.play_length + static_cast<std::size_t>(request.tail_seconds * request.rate);
    for (auto& channel : s.captured)
      channel.reserve(s.wanted_after_play + static_cast<std::size_t>(request.rate));
    c.Sync();
    bool play_monitor = false, record_monitor = false;
    const auto sink = c.FindNode(request.play_device, play_monitor);
    const auto source = c.FindNode(request.record_device, record_monitor);
    if (!sink || play_monitor)
      r.error = NoDevice(request.play_device);
    else if (!source)
      r.error = NoDevice(request.record_device);
    if (r.error.empty()) {
      const int play_channels = static_cast<int>(request.play.size());
      s.play = MakeFilter(c, true, play_channels, s, s.play_listener, s.play_ports, r.error);
      if (r.error.empty())
        s.capture = MakeFilter(c, false, request.record_channels, s, s.capture_listener,
                               s.capture_ports, r.error);
    }
    if (r.error.empty()) {
      const auto play_node = FilterNode(c, s.play, true, request.play.size());
      const auto capture_node =
          FilterNode(c, s.capture, false, static_cast<std::size_t>(request.record_channels));
      if (!play_node || !capture_node) {
        r.error = "PipeWire did not set up the measurement streams";
      } else {
        s.links = c.Link(*play_node, c.PortsOf(*play_node, true, false), *sink,
                         c.PortsOf(*sink, false, false), false);
        if (s.links.empty()) r.error = request.play_device + " has no ports to play into";
        auto capture_links = c.Link(*source, c.PortsOf(*source, true, record_monitor),
                                    *capture_node, c.PortsOf(*capture_node, false, false), false);
        s.links.insert(s.links.end(), capture_links.begin(), capture_links.end());
        if (capture_links.empty()) r.error = request.record_device + " has no ports to record from";
      }
    }
    if (r.error.empty()) {
      // Wait while the graph makes progress; a stalled one (a device that never starts) fails.
      std::size_t last = 0;
      while (!s.done && c.core_error.empty()) {
        c.WaitFor([&] { return s.done || s.captured_frames != last || !c.core_error.empty(); },
                  kStallSeconds);
        if (!s.done && s.captured_frames == last) {
          r.error =
              "the capture device delivers nothing: is " + request.record_device + " running?";
          break;
        }
        last = s.captured_frames;
      }
      if (r.error.empty()) r.error = s.Error().empty() ? c.core_error : s.Error();
      lost_cycle = s.done && s.lost_cycle;
    }
    if (r.error.empty()) {
      r.capture_lead = static_cast<long>(s.captured_at_play_start);
      r.channels = std::move(s.captured);
    }
  }
  pw_thread_loop_unlock(c.loop);
  return r;
}

std::string PipeWireAudio::Listen(const std::string& record_device, int channels, double rate,
                                  double seconds, measure::InputMeter& meter) {
  Connection& c = *connection_;
  if (channels < 1) return "nothing to record";
  pw_thread_loop_lock(c.loop);
  std::string error;
  {
    Session s;
    s.connection = &c;
    s.rate = static_cast<std::uint32_t>(rate);
    s.meter = &meter;
    s.wanted_after_play = static_cast<std::size_t>(seconds * rate);
    c.Sync();
    bool monitor = false;
    const auto source = c.FindNode(record_device, monitor);
    if (!source) error = NoDevice(record_device);
    if (error.empty())
      s.capture = MakeFilter(c, false, channels, s, s.capture_listener, s.capture_ports, error);
    if (error.empty()) {
      const auto node = FilterNode(c, s.capture, false, static_cast<std::size_t>(channels));
      if (!node)
        error = "PipeWire did not set up the capture stream";
      else
        s.links = c.Link(*source, c.PortsOf(*source, true, monitor), *node,
                         c.PortsOf(*node, false, false), false);
      if (error.empty() && s.links.empty()) error = record_device + " has no ports to record from";
    }
    if (error.empty() && !c.WaitFor([&] { return s.done || !c.core_error.empty(); },
                                    static_cast<int>(seconds) + kStallSeconds)) {
      error = "the capture device delivers nothing: is " + record_device + " running?";
    }
    if (error.empty()) error = s.Error().empty() ? c.core_error : s.Error();
  }
  pw_thread_loop_unlock(c.loop);
  return error;
}

std::string PipeWireAudio::SetUpStreamPorts(const std::string& device, int channels, double rate) {
  Connection& c = *connection_;
  pw_thread_loop_lock(c.loop);
  c.Sync();
  bool monitor = false;
  const auto node = c.FindNode(device, monitor);
  std::string error;
  if (!node || monitor) {
    error = NoDevice(device);
  } else {
    // A stream that plays into the graph (a source) has output ports, one that takes from it
    // (a sink) input ports.
    const bool output = c.nodes[*node].media_class.starts_with("Audio/Source");
    c.ConfigurePorts(*node, output, channels, rate);
    const bool ready = c.WaitFor(
        [&] {
          return c.PortsOf(*node, output, false).size() >= static_cast<std::size_t>(channels);
        },
        kSyncTimeoutSeconds);
    if (!ready) error = device + " did not take per-channel ports";
  }
  pw_thread_loop_unlock(c.loop);
  return error;
}

}  // namespace tolva::audio
