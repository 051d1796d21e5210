#include "audio/pipewire_audio.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>
#include <spa/utils/result.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace tolva::audio {
namespace {

constexpr int kSyncTimeoutSeconds = 5;
// The graph has to deliver something within this long once the streams are linked.
constexpr int kStallSeconds = 5;

struct NodeInfo {
  std::string name, description, media_class;
};

struct PortInfo {
  std::uint32_t node = 0;
  std::uint32_t index = 0;  // port.id: the port's place on its node
  bool output = false;
  bool monitor = false;
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

  // Waits (lock held) until `done` holds or the seconds pass; false on time-out.
  template <typename Done>
  bool WaitFor(Done done, int seconds) {
    return WaitForNs(done, static_cast<int64_t>(seconds) * SPA_NSEC_PER_SEC);
  }
  template <typename Done>
  bool WaitForNs(Done done, int64_t ns) {
    timespec deadline{};
    pw_thread_loop_get_time(loop, &deadline, ns);
    while (!done()) {
      if (pw_thread_loop_timed_wait_full(loop, &deadline) != 0) return done();
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

// One play-and-record (or listen-only) run: its streams, links and buffers.
struct Session {
  PipeWireAudio::Connection* connection = nullptr;
  pw_stream* play = nullptr;
  pw_stream* capture = nullptr;
  spa_hook play_listener{};
  spa_hook capture_listener{};
  std::vector<pw_proxy*> links;

  const std::vector<std::vector<float>>* played = nullptr;
  std::size_t play_length = 0;
  std::size_t play_position = 0;
  bool armed = false;  // capture has begun: playback may start
  int capture_channels = 1;
  std::vector<std::vector<float>> captured;
  std::size_t captured_frames = 0;
  std::size_t captured_at_play_start = 0;
  std::size_t wanted_after_play = 0;  // frames to capture once playback started
  measure::InputMeter* meter = nullptr;
  std::size_t listen_frames = 0;
  bool done = false;
  std::string error;

  ~Session() {
    for (pw_proxy* link : links) pw_proxy_destroy(link);
    if (play) pw_stream_destroy(play);
    if (capture) pw_stream_destroy(capture);
  }

  void Finish() {
    done = true;
    pw_thread_loop_signal(connection->loop, false);
  }
};

void OnPlayProcess(void* data) {
  auto* s = static_cast<Session*>(data);
  pw_buffer* b = pw_stream_dequeue_buffer(s->play);
  if (!b) return;
  spa_data& d = b->buffer->datas[0];
  auto* out = static_cast<float*>(d.data);
  const auto channels = static_cast<std::uint32_t>(s->played->size());
  const std::uint32_t stride = sizeof(float) * channels;
  if (!out) {
    pw_stream_queue_buffer(s->play, b);
    return;
  }
  std::uint32_t frames = d.maxsize / stride;
  if (b->requested > 0)
    frames = std::min<std::uint32_t>(frames, static_cast<std::uint32_t>(b->requested));
  if (s->armed && s->play_position == 0) s->captured_at_play_start = s->captured_frames;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const bool playing = s->armed && s->play_position < s->play_length;
    for (std::uint32_t c = 0; c < channels; ++c)
      out[i * channels + c] = playing ? (*s->played)[c][s->play_position] : 0.0f;
    if (playing) ++s->play_position;
  }
  d.chunk->offset = 0;
  d.chunk->stride = static_cast<std::int32_t>(stride);
  d.chunk->size = frames * stride;
  pw_stream_queue_buffer(s->play, b);
}

void OnCaptureProcess(void* data) {
  auto* s = static_cast<Session*>(data);
  pw_buffer* b = pw_stream_dequeue_buffer(s->capture);
  if (!b) return;
  const spa_data& d = b->buffer->datas[0];
  const auto channels = static_cast<std::uint32_t>(s->capture_channels);
  const std::uint32_t stride = sizeof(float) * channels;
  if (d.data && d.chunk) {
    const std::uint32_t offset = std::min(d.chunk->offset, d.maxsize);
    const std::uint32_t size = std::min(d.chunk->size, d.maxsize - offset);
    const auto* in =
        reinterpret_cast<const float*>(static_cast<const std::uint8_t*>(d.data) + offset);
    const std::uint32_t frames = size / stride;
    if (s->meter) {
      s->meter->Feed(std::span(in, static_cast<std::size_t>(frames) * channels));
      s->listen_frames += frames;
    } else {
      for (std::uint32_t i = 0; i < frames; ++i) {
        for (std::uint32_t c = 0; c < channels; ++c) s->captured[c].push_back(in[i * channels + c]);
      }
      s->captured_frames += frames;
      if (frames > 0) s->armed = true;
    }
  }
  pw_stream_queue_buffer(s->capture, b);
  if (s->meter) {
    if (s->listen_frames >= s->wanted_after_play) s->Finish();
  } else if (s->play_position >= s->play_length &&
             s->captured_frames >= s->captured_at_play_start + s->wanted_after_play) {
    s->Finish();
  }
}

void OnStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
  auto* s = static_cast<Session*>(data);
  if (state == PW_STREAM_STATE_ERROR) {
    s->error = std::string("PipeWire stream failed: ") + (error ? error : "unknown error");
    s->Finish();
  }
}

const pw_stream_events kPlayEvents = {
    .version = PW_VERSION_STREAM_EVENTS, .state_changed = OnStateChanged, .process = OnPlayProcess};
const pw_stream_events kCaptureEvents = {.version = PW_VERSION_STREAM_EVENTS,
                                         .state_changed = OnStateChanged,
                                         .process = OnCaptureProcess};

pw_stream* MakeStream(PipeWireAudio::Connection& c, bool playback, int channels, double rate,
                      Session& session, spa_hook& listener, std::string& error) {
  const std::string group = "tolva-measure-" + std::to_string(::getpid());
  pw_properties* props = pw_properties_new(
      PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, playback ? "Playback" : "Capture",
      PW_KEY_MEDIA_ROLE, "Production", PW_KEY_NODE_NAME,
      playback ? "tolva-measure-play" : "tolva-measure-record", PW_KEY_NODE_GROUP, group.c_str(),
      PW_KEY_NODE_AUTOCONNECT, "false", nullptr);
  pw_properties_setf(props, PW_KEY_NODE_RATE, "1/%u", static_cast<unsigned>(rate));
  pw_stream* stream = pw_stream_new(
      c.core, playback ? "tolva-dsp measurement playback" : "tolva-dsp measurement capture", props);
  if (!stream) {
    error = "PipeWire refused a stream";
    return nullptr;
  }
  pw_stream_add_listener(stream, &listener, playback ? &kPlayEvents : &kCaptureEvents, &session);
  std::uint8_t buffer[1024];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32;
  info.rate = static_cast<std::uint32_t>(rate);
  info.channels = static_cast<std::uint32_t>(channels);
  for (int i = 0; i < channels && i < static_cast<int>(SPA_AUDIO_MAX_CHANNELS); ++i) {
    info.position[i] = channels == 1   ? SPA_AUDIO_CHANNEL_MONO
                       : channels == 2 ? (i == 0 ? SPA_AUDIO_CHANNEL_FL : SPA_AUDIO_CHANNEL_FR)
                                       : SPA_AUDIO_CHANNEL_AUX0 + static_cast<std::uint32_t>(i);
  }
  const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
  const int res =
      pw_stream_connect(stream, playback ? PW_DIRECTION_OUTPUT : PW_DIRECTION_INPUT, PW_ID_ANY,
                        static_cast<pw_stream_flags>(PW_STREAM_FLAG_MAP_BUFFERS), params, 1);
  if (res < 0) {
    error = std::string("PipeWire stream could not connect: ") + spa_strerror(res);
    return nullptr;
  }
  return stream;
}

// Waits (lock held) until the stream's node shows `count` ports of its direction.
std::optional<std::uint32_t> StreamNode(PipeWireAudio::Connection& c, pw_stream* stream,
                                        bool output, std::size_t count) {
  // The ports appear once the stream's format is agreed, a few round trips after connecting.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::uint32_t id = pw_stream_get_node_id(stream);
    if (id != SPA_ID_INVALID && c.PortsOf(id, output, false).size() >= count) return id;
    if (!c.Sync()) return std::nullopt;
    c.WaitForNs([] { return false; }, 20 * SPA_NSEC_PER_MSEC);
  }
  return std::nullopt;
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
  Connection& c = *connection_;
  if (request.play.empty() || request.record_channels < 1) {
    r.error = "nothing to play or record";
    return r;
  }
  pw_thread_loop_lock(c.loop);
  // The session's streams and links go while the lock is held, as the loop may still call them.
  {
    Session s;
    s.connection = &c;
    s.played = &request.play;
    s.play_length = request.play.front().size();
    s.capture_channels = request.record_channels;
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
      s.play = MakeStream(c, true, play_channels, request.rate, s, s.play_listener, r.error);
      if (s.play)
        s.capture = MakeStream(c, false, request.record_channels, request.rate, s,
                               s.capture_listener, r.error);
    }
    if (r.error.empty()) {
      const auto play_node = StreamNode(c, s.play, true, request.play.size());
      const auto capture_node =
          StreamNode(c, s.capture, false, static_cast<std::size_t>(request.record_channels));
      if (!play_node || !capture_node) {
        r.error = "PipeWire did not set up the measurement streams";
      } else {
        s.links = c.Link(*play_node, c.PortsOf(*play_node, true, false), *sink,
                         c.PortsOf(*sink, false, false), false);
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
        if (!s.done && s.captured_frames == last && s.play_position == 0) {
          r.error =
              "the capture device delivers nothing: is " + request.record_device + " running?";
          break;
        }
        last = s.captured_frames;
      }
      if (r.error.empty()) r.error = s.error.empty() ? c.core_error : s.error;
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
  pw_thread_loop_lock(c.loop);
  std::string error;
  {
    Session s;
    s.connection = &c;
    s.meter = &meter;
    s.capture_channels = channels;
    s.wanted_after_play = static_cast<std::size_t>(seconds * rate);
    c.Sync();
    bool monitor = false;
    const auto source = c.FindNode(record_device, monitor);
    if (!source) error = NoDevice(record_device);
    if (error.empty())
      s.capture = MakeStream(c, false, channels, rate, s, s.capture_listener, error);
    if (error.empty()) {
      const auto node = StreamNode(c, s.capture, false, static_cast<std::size_t>(channels));
      if (!node)
        error = "PipeWire did not set up the capture stream";
      else
        s.links = c.Link(*source, c.PortsOf(*source, true, monitor), *node,
                         c.PortsOf(*node, false, false), false);
    }
    if (error.empty() && !c.WaitFor([&] { return s.done || !c.core_error.empty(); },
                                    static_cast<int>(seconds) + kStallSeconds)) {
      error = "the capture device delivers nothing: is " + record_device + " running?";
    }
    if (error.empty()) error = s.error.empty() ? c.core_error : s.error;
  }
  pw_thread_loop_unlock(c.loop);
  return error;
}

}  // namespace tolva::audio
