#!/usr/bin/env python3
"""A second, independent unit on the report bridge.

Written from the protocol description alone (frames, handshake, requests and
their reply layouts, parameter commands and acknowledgements, scene storage),
without the emulator's code, so that the program can be tried against a unit
whose habits are not our emulator's.  Where the protocol leaves a choice open it
takes the other one by default: replies come after a delay, the bytes after a
frame are not zeros, ranges past the six outputs are answered for the outputs
the unit has.  Options make it harsher (replies split over two reports, reports
the unit sends by itself, an answer to PC_Connect, no answer where none is
promised).

Every frame received is written to the trace (stderr, or --trace FILE) as
"<- cmd/sub/op payload" and every report sent as "-> ...".

    unit_peer.py --socket PATH [--delay-ms 30] [--pad 0x5a] [--split] ...
"""

import argparse
import os
import random
import signal
import socket
import sys
import threading
import time

OP_SET, OP_GET, OP_DATA, OP_ACK = 0xBB, 0x66, 0xDD, 0xEE
ACK_READY = 0x0A
OUTPUTS = 6
BANDS = 31
SOURCES = 7
MODEL = 19


def checksum(data):
    return (-sum(data)) & 0xFF


def build_frame(cmd, sub, op, payload):
    body = bytes([len(payload) + 3, cmd, sub, op]) + bytes(payload)
    return b"\xaa\x55" + body + bytes([checksum(body)])


def parse_report(msg):
    """The one frame of a 65-byte output report, or None when it is not one."""
    if len(msg) != 65 or msg[0] != 0 or msg[1] != 0xAA or msg[2] != 0x55:
        return None
    length = msg[3]
    if length < 3 or 4 + length >= 65:
        return None
    body = msg[3:4 + length]
    if checksum(body) != msg[4 + length]:
        return None
    return body[1], body[2], body[3], bytes(body[4:])


def s8(v):
    return v - 256 if v >= 128 else v


def u8(v):
    return int(v) & 0xFF


class Channel:
    def __init__(self, index):
        self.hp = [1, 20, 0]      # type, freq, slope
        self.lp = [1, 20000, 0]
        freqs = [20, 25, 31, 40, 50, 63, 80, 100, 125, 160, 200, 250, 315, 400, 500, 630,
                 800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000,
                 12500, 16000, 20000]
        self.eq = [[f, 200, 180] for f in freqs]   # freq, Q hundredths, gain tenths+180
        self.delay_us = 0
        self.gain = 0          # dB, 0 or below
        self.mute = 0
        self.phase = 0
        self.role = [1, 2, 3, 4, 9, 10][index]
        self.bypass = 0
        self.mix = [1 << (index % 2)] * SOURCES
        self.input_trim = [[0] * 8 for _ in range(SOURCES)]   # [source][input]


class Scene:
    def __init__(self):
        self.channels = [Channel(i) for i in range(OUTPUTS)]
        self.link = 0
        self.lock = 0
        self.name = b"\xff" * 16

    def copy(self):
        import copy
        return copy.deepcopy(self)


class Unit:
    """State of the unit: the working set (scene 0) and ten stored scenes."""

    def __init__(self):
        self.scenes = [Scene() for _ in range(11)]
        self.source = 0x52
        self.volume = -10
        self.sub_volume = 0
        self.mute = 0
        self.read_target = None

    def scene(self, k):
        return self.scenes[k] if 0 <= k <= 10 else None


class Peer:
    def __init__(self, args):
        self.args = args
        self.unit = Unit()
        self.trace = open(args.trace, "a", buffering=1) if args.trace else sys.stderr
        self.lock = threading.Lock()
        self.conn = None
        self.reports_sent = 0
        self.pending_tail = None   # second half of a split reply, sent with the next reply
        self.rng = random.Random(7)

    def log(self, text):
        self.trace.write("%.3f %s\n" % (time.monotonic(), text))

    # ---- sending ----------------------------------------------------------------
    def pad_to_report(self, data, front=False):
        pad = self.args.pad
        filler = bytes([pad]) * (64 - len(data))
        return filler + data if front else data + filler

    def send_report(self, report):
        assert len(report) == 64
        try:
            self.conn.send(report)
        except OSError:
            return
        self.reports_sent += 1
        self.log("-> " + report.hex())
        if self.args.unplug_after and self.reports_sent >= self.args.unplug_after:
            self.log("unplugging")
            self.conn.close()

    def reply(self, cmd, sub, op, payload):
        frame = build_frame(cmd, sub, op, payload)
        if self.args.delay_ms:
            time.sleep(self.args.delay_ms / 1000.0)
        if self.pending_tail is not None:
            # the held-back second half travels at the head of the next report
            tail, self.pending_tail = self.pending_tail, None
            if len(tail) + len(frame) <= 64:
                self.send_report(self.pad_to_report(tail + frame))
                return
            self.send_report(self.pad_to_report(tail))
        if self.args.split and len(frame) > 8:
            cut = len(frame) // 2
            # the first report ends with the frame's head, so the bytes before it are skipped
            self.send_report(self.pad_to_report(frame[:cut], front=True))
            if self.args.split == "now":
                self.send_report(self.pad_to_report(frame[cut:]))
            else:
                self.pending_tail = frame[cut:]
            return
        self.send_report(self.pad_to_report(frame))

    def ack(self, cmd, sub, extra=b""):
        self.reply(cmd, sub, OP_ACK, bytes([ACK_READY]) + extra)

    # ---- requests ----------------------------------------------------------------
    def channel_range(self, x, y):
        """The outputs of a range that the unit has: past the sixth it answers for fewer."""
        last = min(y, OUTPUTS - 1)
        return x, last

    def on_get(self, sub, p):
        u = self.unit
        if sub == 0x01:
            return self.reply(1, sub, OP_DATA, [u.source])
        if sub == 0x02:
            return self.reply(1, sub, OP_DATA, [u8(u.volume)])
        if sub == 0x03:
            return self.reply(1, sub, OP_DATA, [u8(u.sub_volume)])
        if sub == 0x04:
            return self.reply(1, sub, OP_DATA, [u.mute])
        if len(p) < 1:
            return
        sc = u.scene(p[0])
        if sc is None:
            return
        if sub == 0x0E:
            return self.reply(1, sub, OP_DATA, [p[0], sc.link] + [0] * 8)
        if sub == 0x0F:
            return self.reply(1, sub, OP_DATA, [p[0], sc.lock])
        if sub == 0x06 and len(p) >= 5:
            scene, source, ch, bx, by = p[:5]
            if ch >= OUTPUTS:
                return self.reply(1, sub, OP_DATA, [scene, source, ch, bx, bx - 1 & 0xFF])
            by = min(by, BANDS - 1)
            out = [scene, source, ch, bx, by]
            for b in range(bx, by + 1):
                f, q, g = sc.channels[ch].eq[b]
                out += [f >> 8, f & 0xFF, q // 100, q % 100, g // 10, g % 10]
            return self.reply(1, sub, OP_DATA, out)
        if sub == 0x24 and len(p) >= 5:
            scene, source, inp, ox, oy = p[:5]
            ox, oy = self.channel_range(ox, oy)
            out = [scene, source, inp, ox, oy]
            for c in range(ox, oy + 1):
                out.append(u8(sc.channels[c].input_trim[source % SOURCES][inp % 8]))
            return self.reply(1, sub, OP_DATA, out)
        if len(p) < 4:
            return
        scene, source, x, y = p[:4]
        x, y = self.channel_range(x, y)
        out = [scene, source, x, y]
        for c in range(x, y + 1):
            chn = sc.channels[c]
            if sub == 0x05:
                out += [chn.hp[0], chn.hp[1] >> 8, chn.hp[1] & 0xFF, chn.hp[2],
                        chn.lp[0], chn.lp[1] >> 8, chn.lp[1] & 0xFF, chn.lp[2]]
            elif sub == 0x07:
                ms, us = divmod(chn.delay_us, 1000)
                out += [ms, us >> 8, us & 0xFF]
            elif sub == 0x08:
                out.append(u8(chn.gain))
            elif sub == 0x09:
                out.append(chn.mute)
            elif sub == 0x0A:
                out.append(u8(chn.phase))
            elif sub == 0x0B:
                out.append(chn.mix[source % SOURCES])
            elif sub == 0x0D:
                out.append(chn.role)
            elif sub == 0x12:
                out.append(chn.bypass)
            else:
                return
        return self.reply(1, sub, OP_DATA, out)

    # ---- parameter commands ------------------------------------------------------------
    def for_range(self, p, width, apply):
        scene, source, x, y = p[:4]
        sc = self.unit.scene(scene)
        if sc is None:
            return
        for i, c in enumerate(range(x, y + 1)):
            entry = p[4 + width * i: 4 + width * (i + 1)]
            if c < OUTPUTS and len(entry) == width:
                apply(sc.channels[c], source, entry)

    def on_dsp_set(self, sub, p):
        u = self.unit
        if sub == 0x01 and p:
            u.source = p[0]
        elif sub == 0x02 and p:
            u.volume = 6 - p[0]
        elif sub == 0x04 and p:
            u.mute = p[0]
        elif sub == 0x05 and len(p) >= 8:
            sc = u.scene(p[0])
            if sc and p[2] < OUTPUTS:
                target = sc.channels[p[2]].lp if p[3] == 1 else sc.channels[p[2]].hp
                target[:] = [p[4], p[5] << 8 | p[6], p[7]]
        elif sub == 0x06 and len(p) >= 10:
            sc = u.scene(p[0])
            if sc and p[2] < OUTPUTS and p[3] < BANDS:
                sc.channels[p[2]].eq[p[3]] = [p[4] << 8 | p[5], p[6] * 100 + p[7] * 10,
                                              p[8] * 10 + p[9]]
        elif sub == 0x07:
            self.for_range(p, 3, lambda ch, s, e: setattr(ch, "delay_us", e[0] * 1000 + (e[1] << 8 | e[2])))
        elif sub == 0x08:
            self.for_range(p, 1, lambda ch, s, e: setattr(ch, "gain", -e[0]))
        elif sub == 0x09:
            self.for_range(p, 1, lambda ch, s, e: setattr(ch, "mute", e[0]))
        elif sub == 0x0A:
            self.for_range(p, 1, lambda ch, s, e: setattr(ch, "phase", s8(e[0])))
        elif sub == 0x0B:
            def set_mix(ch, s, e):
                ch.mix[s % SOURCES] = e[0]
            self.for_range(p, 1, set_mix)
        elif sub == 0x0D:
            self.for_range(p, 1, lambda ch, s, e: setattr(ch, "role", e[0]))
        elif sub == 0x0E and len(p) >= 2:
            sc = u.scene(p[0])
            if sc:
                sc.link = p[1]
        elif sub == 0x0F and len(p) >= 2:
            sc = u.scene(p[0])
            if sc:
                sc.lock = p[1]
        elif sub == 0x11 and len(p) >= 3:
            sc = u.scene(p[0])
            for c in p[3:3 + p[2]]:
                if sc and c < OUTPUTS:
                    for band in sc.channels[c].eq:
                        band[2] = 180
        elif sub == 0x12:
            self.for_range(p, 1, lambda ch, s, e: setattr(ch, "bypass", e[0]))
        elif sub == 0x24 and len(p) >= 5:
            sc = u.scene(p[0])
            for i, c in enumerate(range(p[3], p[4] + 1)):
                if sc and c < OUTPUTS and 5 + i < len(p):
                    sc.channels[c].input_trim[p[1] % SOURCES][p[2] % 8] = s8(p[5 + i])
        self.ack(1, sub)

    def on_scene(self, sub, op, p):
        u = self.unit
        if sub == 0x08 and op == OP_SET and len(p) >= 2:
            k = p[0]
            if 1 <= k <= 10 and p[1] == 0:
                name = u.scenes[k].name
                u.scenes[k] = u.scenes[0].copy()
                u.scenes[k].name = name
            return self.ack(2, sub, bytes([k]))
        if sub == 0x09 and op == OP_SET and len(p) >= 2:
            src, dst = p[0], p[1]
            if dst == 0 and 1 <= src <= 10:
                name = u.scenes[0].name
                u.scenes[0] = u.scenes[src].copy()
                u.scenes[0].name = name
            if self.args.terse:
                return
            return self.ack(2, sub)
        if sub == 0x0A and op == OP_SET and p:
            k = p[0]
            if 1 <= k <= 10:
                u.scenes[k] = Scene()
            return self.ack(2, sub, bytes([k]))
        if sub == 0x0B and op == OP_SET and len(p) >= 2:
            k, n = p[0], p[1]
            if 1 <= k <= 10:
                u.scenes[k].name = (bytes(p[2:2 + n]) + bytes(16))[:16]
            if self.args.terse:
                return
            return self.ack(2, sub)
        if sub == 0x0B and op == OP_GET and p:
            k = p[0]
            sc = u.scene(k)
            name = sc.name if sc else b"\xff" * 16
            return self.reply(2, sub, OP_DATA, bytes([k]) + name)

    def on_system(self, sub, op, p):
        if sub == 0x1F:
            if self.args.ack_pc_connect:
                self.ack(3, sub)
            if p and p[0] == 1 and self.args.hello:
                # the unit announces itself when a computer says hello
                self.reply(3, 0x60, OP_DATA, [1])
            return
        if sub == 0x08:
            return self.reply(3, sub, OP_DATA, [0x00, self.args.model, 2, 5])
        if sub == 0x0B and op == OP_GET:
            return self.reply(3, sub, OP_DATA, [1, 2, 3, 4])
        if sub == 0x90:
            self.unit.__init__()
            if self.args.terse:
                self.restarting = True   # straight into the restart, without a word
                return
            return self.ack(3, sub)
        self.ack(3, sub)

    def handle(self, frame):
        cmd, sub, op, p = frame
        self.log("<- %d/%02x/%02x %s" % (cmd, sub, op, p.hex()))
        with self.lock:
            if cmd == 1 and op == OP_GET:
                self.on_get(sub, p)
            elif cmd == 1 and op == OP_SET:
                self.on_dsp_set(sub, p)
                if self.args.report_volume_every and sub == 0x02:
                    # a knob turned on the unit: it reports the volume by itself
                    self.reply(1, 0x02, OP_DATA, [u8(self.unit.volume)])
            elif cmd == 2:
                self.on_scene(sub, op, p)
            elif cmd == 3:
                self.on_system(sub, op, p)

    def listen(self):
        path = self.args.socket
        if os.path.exists(path):
            os.unlink(path)
        server = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        server.bind(path)
        server.listen(1)
        self.log("listening on " + path)
        return server

    def serve(self):
        path = self.args.socket
        server = self.listen()
        self.restarting = False

        def stop(*_):
            try:
                os.unlink(path)
            except OSError:
                pass
            os._exit(0)
        signal.signal(signal.SIGTERM, stop)
        signal.signal(signal.SIGINT, stop)
        while True:
            self.conn, _ = server.accept()
            self.pending_tail = None
            self.log("connected")
            while True:
                try:
                    msg = self.conn.recv(128)
                except OSError:
                    break
                if not msg:
                    break
                frame = parse_report(msg)
                if frame is None:
                    self.log("<- garbled " + msg.hex())
                    continue
                self.handle(frame)
                if self.restarting:
                    break
            self.conn.close()
            self.log("closed")
            if self.args.once:
                stop()
            if self.restarting:
                # off the bus while it restarts: the path goes away and comes back
                self.restarting = False
                server.close()
                os.unlink(path)
                time.sleep(2)
                server = self.listen()


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--socket", required=True)
    ap.add_argument("--delay-ms", type=float, default=30)
    ap.add_argument("--pad", type=lambda s: int(s, 0), default=0x5A,
                    help="byte that fills a report after its frame")
    ap.add_argument("--split", nargs="?", const="late", choices=["late", "now"],
                    help="split each reply over two reports; 'late' sends the second half "
                         "with the next reply, 'now' right after the first")
    ap.add_argument("--ack-pc-connect", action="store_true")
    ap.add_argument("--hello", action="store_true",
                    help="report 'MCU INIT' by itself after PC_Connect 1")
    ap.add_argument("--report-volume-every", action="store_true",
                    help="after a volume command, also report the volume by itself")
    ap.add_argument("--terse", action="store_true",
                    help="answer only what the protocol promises: no acknowledgement for "
                         "ReadScene, SetSceneName and the factory default")
    ap.add_argument("--model", type=int, default=MODEL)
    ap.add_argument("--unplug-after", type=int, default=0)
    ap.add_argument("--once", action="store_true")
    ap.add_argument("--trace")
    Peer(ap.parse_args()).serve()


if __name__ == "__main__":
    main()
