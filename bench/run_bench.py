"""Runs every benchmark under Xvfb + Mesa and writes bench/RESULTS.md (scripts/bench.sh calls it).

Each figure is the median of REPEATS runs made here, next to its reference measured in the same
session. Start-up milestones come from the saver's own trace (FERNHOLLOW_TRACE: monotonic time stamps
that are compared with the moment this script started the process); the decode, upload and frame
references come from build/bench/fernhollow_bench."""
import datetime
import os
import platform
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
BUILD = os.path.join(ROOT, "build")
SAVER = os.path.join(BUILD, "fernhollow")
BENCH = os.path.join(BUILD, "bench", "fernhollow_bench")
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import XServer, wait_until  # noqa: E402

REPEATS = int(os.environ.get("FERNHOLLOW_BENCH_REPEATS", "5"))
GEOMETRIES = ["1920x1080x24", "1024x768x24", "3840x2160x24"]
VARIANTS = ("scene", "fixedcopy", "fixedquads", "uncached", "unplanned", "whole", "batched")
FRAME_SECONDS = float(os.environ.get("FERNHOLLOW_BENCH_FRAME_SECONDS", "6"))
POWER_SECONDS = float(os.environ.get("FERNHOLLOW_BENCH_POWER_SECONDS", "30"))
MEMORY_SECONDS = 10.0
TICK = os.sysconf("SC_CLK_TCK")


def median(values):
    return statistics.median(values) if values else float("nan")


def spread(values):
    return "%.0f–%.0f" % (min(values), max(values)) if values else ""


class Session:
    """One Xvfb, one settings folder; every process of a geometry runs here."""

    def __init__(self, geometry):
        self.x = XServer(geometry)
        self.home = tempfile.mkdtemp(prefix="fernhollow-bench-")
        self.env = self.x.env(XDG_CONFIG_HOME=self.home, FERNHOLLOW_MESSAGE_BOX="stderr", ALSOFT_DRIVERS="null")

    def close(self):
        self.x.stop()
        subprocess.run(["rm", "-rf", self.home])

    def saver(self, trace, log=None, extra=None):
        env = dict(self.env, FERNHOLLOW_TRACE=trace, **(extra or {}))
        if log:
            env["FERNHOLLOW_LOG"] = log
        started = time.monotonic()
        process = subprocess.Popen([SAVER, "/s"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return started, process

    def bench(self, *args):
        out = subprocess.run([BENCH] + list(args), env=self.env, capture_output=True, text=True, timeout=600)
        if out.returncode != 0:
            raise RuntimeError("fernhollow_bench %s: %s" % (" ".join(args), out.stderr))
        values = {}
        for line in out.stdout.splitlines():
            name, value = line.split()
            values.setdefault(name, []).append(float(value))
        return values


def read_trace(path):
    events = []
    with open(path) as source:
        for line in source:
            stamp, _, event = line.strip().partition(" ")
            events.append((float(stamp), event))
    return events


def first(events, name):
    for stamp, event in events:
        if event == name:
            return stamp
    return None


def wait_event(trace, name, process, timeout=120):
    def seen():
        return process.poll() is not None or (os.path.exists(trace) and first(read_trace(trace), name))
    wait_until(seen, timeout, 0.005)
    if process.poll() is not None:
        raise RuntimeError("the saver ended early: " + process.stderr.read().decode(errors="replace"))


def wait_prefix(trace, prefix, process, timeout=10):
    def seen():
        return process.poll() is not None or (
            os.path.exists(trace) and any(event.startswith(prefix) for _, event in read_trace(trace)))
    if not wait_until(seen, timeout, 0.02) or process.poll() is not None:
        raise RuntimeError("the saver never traced \"%s...\"" % prefix)


def stop(process):
    process.send_signal(signal.SIGTERM)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise RuntimeError("the saver exited %s" % process.returncode)
    return usage


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime, stime


def startup(session, runs):
    rows = {"loading": [], "first": [], "engine": [], "batch": [], "decode": [], "upload": [], "before": []}
    renderer = ""
    for run in range(runs):
        trace = os.path.join(session.home, "trace-%d" % run)
        log = os.path.join(session.home, "log-%d" % run) if run == 0 else None
        started, process = session.saver(trace, log)
        wait_event(trace, "first frame on screen", process)
        time.sleep(0.3)
        stop(process)
        events = read_trace(trace)
        rows["loading"].append((first(events, "loading picture on screen") - started) * 1e3)
        rows["first"].append((first(events, "first frame on screen") - started) * 1e3)
        rows["before"].append((first(events, "saver run starts") - started) * 1e3)
        rows["engine"].append((first(events, "loading picture on screen") - first(events, "saver run starts")) * 1e3)
        rows["batch"].append((first(events, "scene built") - first(events, "batch upload starts")) * 1e3)
        decode = upload = 0.0
        previous = first(events, "batch upload starts")
        for stamp, event in events:
            if event.startswith("decoded "):
                decode += stamp - previous
            elif event.startswith("uploaded "):
                upload += stamp - previous
            if event.startswith(("decoded ", "uploaded ")):
                previous = stamp
        rows["decode"].append(decode * 1e3)
        rows["upload"].append(upload * 1e3)
        if log:
            with open(log, errors="replace") as text:
                found = re.search(r"\[GL\] OpenGL ver (.*)", text.read())
                renderer = found.group(1).strip() if found else "?"
    return rows, renderer


def resident_mib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def memory(session, runs):
    peaks, before_scene = [], []
    for run in range(runs):
        trace = os.path.join(session.home, "memory-%d" % run)
        _, process = session.saver(trace)
        # Read as soon as the loading picture is up, before the scene's pictures are decoded.
        wait_event(trace, "loading picture on screen", process)
        before_scene.append(resident_mib(process.pid))
        wait_event(trace, "first frame on screen", process)
        time.sleep(MEMORY_SECONDS)
        usage = stop(process)
        peaks.append(usage.ru_maxrss / 1024.0)
    return peaks, before_scene


def power(session, runs):
    cpu, fps = [], []
    for run in range(runs):
        trace = os.path.join(session.home, "power-%d" % run)
        _, process = session.saver(trace)
        wait_event(trace, "first frame on screen", process)
        time.sleep(1.0)  # past the first frames
        wall0, cpu0 = time.monotonic(), cpu_seconds(process.pid)
        time.sleep(POWER_SECONDS)
        wall1, cpu1 = time.monotonic(), cpu_seconds(process.pid)
        stop(process)
        cpu.append(100.0 * (cpu1 - cpu0) / (wall1 - wall0))
        events = read_trace(trace)
        stopped = [(stamp, event) for stamp, event in events if event.startswith("engine stops after ")][0]
        frames = int(stopped[1].split()[3])
        fps.append(frames / (stopped[0] - first(events, "first frame on screen")))
    return cpu, fps


def dark_power(session, runs):
    """CPU of the saver while the display is off (told by the test hook's file), beside the lit figure."""
    cpu = []
    for run in range(runs):
        trace = os.path.join(session.home, "dark-%d" % run)
        state = os.path.join(session.home, "display-%d" % run)
        with open(state, "w") as out:
            out.write("on\n")
        _, process = session.saver(trace, extra={"FERNHOLLOW_DISPLAY_POWER_FILE": state})
        wait_event(trace, "first frame on screen", process)
        time.sleep(1.0)
        with open(state, "w") as out:
            out.write("off\n")
        wait_prefix(trace, "drawing paused after ", process)
        time.sleep(0.5)
        wall0, cpu0 = time.monotonic(), cpu_seconds(process.pid)
        time.sleep(POWER_SECONDS)
        wall1, cpu1 = time.monotonic(), cpu_seconds(process.pid)
        stop(process)
        cpu.append(100.0 * (cpu1 - cpu0) / (wall1 - wall0))
    return cpu


GLSLIDESHOW = "/usr/libexec/xscreensaver/glslideshow"


def peer_power(session, runs):
    """The desktop host's own full-screen photo cross-fade hack in the same display, as a reference."""
    cpu = []
    for run in range(runs):
        process = subprocess.Popen([GLSLIDESHOW, "-root"], env=session.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        time.sleep(2.0)
        wall0, cpu0 = time.monotonic(), cpu_seconds(process.pid)
        time.sleep(POWER_SECONDS)
        wall1, cpu1 = time.monotonic(), cpu_seconds(process.pid)
        process.terminate()
        process.wait()
        cpu.append(100.0 * (cpu1 - cpu0) / (wall1 - wall0))
    return cpu


def others():
    """What else used the CPU while the benchmark started: the busiest other processes."""
    out = subprocess.run(["ps", "-eo", "pcpu,comm", "--sort=-pcpu"], capture_output=True, text=True).stdout
    busy = []
    for line in out.splitlines()[1:]:
        share, _, name = line.strip().partition(" ")
        if float(share) >= 1.0 and name not in ("ps", "python3", "bench.sh"):
            busy.append("%s (%s %%)" % (name.strip(), share))
    return ", ".join(busy[:6]) or "nothing above 1 % CPU"


def main():
    results = {}
    load_before = open("/proc/loadavg").read().split()[:3]
    busy = others()
    renderer = "?"
    for geometry in GEOMETRIES:
        session = Session(geometry)
        try:
            print("== %s" % geometry, flush=True)
            rows, found = startup(session, max(REPEATS, 7))
            renderer = found or renderer
            pictures = session.bench("pictures", str(max(REPEATS, 7)))
            frames = {}
            for repeat in range(REPEATS):
                for variant in VARIANTS:
                    values = session.bench("frames", variant, str(FRAME_SECONDS))
                    for name, value in values.items():
                        frames.setdefault(variant, {}).setdefault(name, []).extend(value)
            peaks, before_scene = memory(session, REPEATS)
            cpu, fps = power(session, REPEATS)
            dark = dark_power(session, REPEATS)
            peer = peer_power(session, REPEATS) if os.path.exists(GLSLIDESHOW) else []
            results[geometry] = dict(startup=rows, pictures=pictures, frames=frames, peaks=peaks, before_scene=before_scene, cpu=cpu, fps=fps, dark=dark, peer=peer)
            print("   start-up %.0f ms, frame %.1f fps, peak %.0f MiB, power %.0f %% at %.1f fps" % (
                median(rows["first"]), median(frames["scene"]["fps"]), median(peaks), median(cpu), median(fps)),
                flush=True)
        finally:
            session.close()
    load_after = open("/proc/loadavg").read().split()[:3]
    write(results, renderer, load_before, load_after, busy)


def cpu_model():
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return "?"


def write(results, renderer, load_before, load_after, busy):
    out = []
    add = out.append
    m = median
    add("# Benchmark results")
    add("")
    add("Written by `scripts/bench.sh` (bench/run_bench.py); every figure below comes from that run. "
        "Medians of %d runs unless a row says otherwise (start-up: %d runs); ranges are min–max." % (
            REPEATS, max(REPEATS, 7)))
    add("")
    add("| fact | value |")
    add("|---|---|")
    add("| date | %s |" % datetime.datetime.now().strftime("%Y-%m-%d %H:%M %Z").strip())
    add("| machine | %d cores (%s), %s %s |" % (os.cpu_count(), cpu_model(), platform.system(), platform.release()))
    add("| renderer | %s |" % renderer)
    add("| display | Xvfb, one private server per resolution, depth 24 |")
    add("| also running | %s; load average %s before, %s after |" % (busy, " ".join(load_before),
                                                                     " ".join(load_after)))
    add("")
    for geometry, r in results.items():
        size = geometry.rsplit("x", 1)[0]
        s, p, f = r["startup"], r["pictures"], r["frames"]
        add("## %s" % size)
        add("")
        if size == "3840x2160":
            add("Above 2048 pixels on a side the scene draws the 2x set of pictures (2048² full-screen layers); "
                "the references below decode and upload that set.")
            add("")
        add("### Start-up (ms from the process's start)")
        add("")
        add("| what | median | range |")
        add("|---|---:|---:|")
        add("| loading picture on screen | %.0f | %s |" % (m(s["loading"]), spread(s["loading"])))
        add("| first frame of the full scene on screen | %.0f | %s |" % (m(s["first"]), spread(s["first"])))
        add("| … of which: exec, libraries, settings, up to the saver run | %.0f | %s |" % (
            m(s["before"]), spread(s["before"])))
        add("| … engine start (window, GL context, loading picture) | %.0f | %s |" % (
            m(s["engine"]), spread(s["engine"])))
        add("| … batch upload of the scene's 16 pictures | %.0f | %s |" % (m(s["batch"]), spread(s["batch"])))
        add("| … … of which decoding in the batch | %.0f | %s |" % (m(s["decode"]), spread(s["decode"])))
        add("| … … of which uploads in the batch | %.0f | %s |" % (m(s["upload"]), spread(s["upload"])))
        add("| reference: the image library alone decoding the same 18 pictures (loading, scene, font) | %.0f | %s |"
            % (m(p["decode_library_ms"]), spread(p["decode_library_ms"])))
        add("| reference: decoding them into a store as start-up does | %.0f | %s |" % (
            m(p["decode_store_ms"]), spread(p["decode_store_ms"])))
        add("| reference: uploading the same 18 decoded pictures alone | %.0f | %s |" % (
            m(p["upload_ms"]), spread(p["upload_ms"])))
        add("| reference: the same uploads with the driver building every mipmap level (what each upload did "
            "before base-level filters were limited to level 0) | %.0f | %s |" % (
                m(p["upload_mipmapped_ms"]), spread(p["upload_mipmapped_ms"])))
        add("")
        add("### Frame cost (frames back to back, swap pacing off; %d s after a 2 s warm-up, %d runs each)" % (
            FRAME_SECONDS, REPEATS))
        add("")
        add("| variant | fps | frame ms | update CPU ms | render ms (to glFinish) | render CPU ms (all threads) "
            "| frame CPU ms (all threads) |")
        add("|---|---:|---:|---:|---:|---:|---:|")
        names = {"scene": "the scene as the saver draws it (planned frames, tile cache)",
                 "fixedcopy": "reference: the tile cache's copy drawn by fixed function (not its fragment program)",
                 "fixedquads": "reference: the planned quads drawn by fixed function (not their fragment program)",
                 "uncached": "reference: tile cache off (planned frames, every layer drawn)",
                 "unplanned": "reference: frame planning off (quad by quad over covered cells, depth buffer: the saver before)",
                 "whole": "reference: covered-cells drawing off (every quad whole)",
                 "batched": "reference: all quads at once (one state set-up, no per-quad pushes, whole quads)"}
        for variant in VARIANTS:
            v = f[variant]
            add("| %s | %.1f | %.1f | %.3f | %.1f | %.1f | %.1f |" % (
                names[variant], m(v["fps"]), m(v["frame_ms"]), m(v["update_cpu_ms"]), m(v["render_ms"]),
                m(v["render_cpu_ms"]), m(v["frame_cpu_ms"])))
        add("")
        scene_cpu = m(f["scene"]["frame_cpu_ms"])
        add("Frame CPU of the scene as a share of each reference: %s." % ", ".join(
            "%s %.2f" % (variant, scene_cpu / m(f[variant]["frame_cpu_ms"])) for variant in VARIANTS[1:]))
        add("")
        add("### Memory")
        add("")
        staging = p["staging_bytes"][0] / 2 ** 20
        decoded = {k: v[0] / 2 ** 20 for k, v in p.items() if k.startswith("decoded_bytes_")}
        kept = decoded["decoded_bytes_125"] + decoded["decoded_bytes_154"]
        add("| what | MiB |")
        add("|---|---:|")
        add("| peak resident memory of a full run (start-up + %d s of the scene; median, range %s) | %.1f |" % (
            MEMORY_SECONDS, spread(r["peaks"]), m(r["peaks"])))
        add("| reference: resident memory when the loading picture is on screen, before the scene is built "
            "(libraries, GL driver, window; read within milliseconds of the milestone; range %s) | %.1f |" % (
                spread(r["before_scene"]), m(r["before_scene"])))
        add("| reference: the staging store | %.1f |" % staging)
        add("| reference: decoded pictures the program keeps in its own stores (loading picture, font) | %.1f |"
            % kept)
        add("| reference: all 18 decoded pictures (base levels; the GL driver keeps a copy of each texture) "
            "| %.1f |" % sum(decoded.values()))
        add("| reference: staging + kept stores + the driver's texture copies | %.1f |" % (
            staging + kept + sum(decoded.values())))
        add("")
        add("### Power (%d s of the scene as shipped: frame ceiling in force, vsync unavailable)" %
            POWER_SECONDS)
        add("")
        scene = f["scene"]
        at60 = min(60.0, m(scene["fps"])) * m(scene["frame_cpu_ms"]) / 10.0
        add("| what | value |")
        add("|---|---:|")
        add("| CPU use, %% of one core (range %s) | %.0f |" % (spread(r["cpu"]), m(r["cpu"])))
        add("| frames per second | %.1f |" % m(r["fps"]))
        add("| the display off (DPMS state from the test hook): CPU use, %% of one core (range %s) | %.1f |" % (
            spread(r["dark"]), m(r["dark"])))
        add("| reference: the cost of min(60, the renderer's own rate) frames a second at the measured "
            "CPU per frame, %% of one core | %.0f |" % at60)
        add("| reference: unpaced, the renderer's own rate (fps) | %.1f |" % m(scene["fps"]))
        if r["peer"]:
            add("| reference: `glslideshow -root` (xscreensaver-gl) in the same display, %% of one core (range %s) "
                "| %.0f |" % (spread(r["peer"]), m(r["peer"])))
        add("")
    add("## How the figures are taken")
    add("")
    add("- Start-up: this script notes the monotonic time, starts `fernhollow /s`, and subtracts that from the "
        "saver's trace milestones (`FERNHOLLOW_TRACE`). \"On screen\" is the moment the buffer swap returned. "
        "The decode and upload references come from `fernhollow_bench pictures`, run right after the start-ups "
        "on the same display.")
    add("- Frame cost: `fernhollow_bench frames` starts the engine and the forest as the saver does, switches the "
        "swap pacing off, and times each frame: the update on the CPU (thread time), the render up to "
        "`glFinish` (wall time, and CPU time of all the process's threads, llvmpipe's workers included), the "
        "whole frame with its swap. The variants alternate, so drift in the machine hits them alike.")
    add("- Memory: the peak resident set (`ru_maxrss`) of a saver run ended by SIGTERM.")
    add("- Power: CPU time (user + system, all threads, from `/proc`) of the saver over the stated wall time, "
        "with the swap pacing on as shipped; frames per second from the frame count the saver traces when it "
        "stops. The X server's own work for each swap is not in these figures.")
    add("")
    with open(os.path.join(ROOT, "bench", "RESULTS.md"), "w") as target:
        target.write("\n".join(out) + "\n")
    print("wrote bench/RESULTS.md")


if __name__ == "__main__":
    main()
