#!/usr/bin/env python3
"""The real program under Xvfb, listening to noise on the virtual microphone, beside
parec recording the same source and beside a bare Qt Widgets window: CPU, thread
wake-ups per second and resident memory, with the targets. Prints figures; asserts
nothing. Run through bench/run-program-bench.sh (inside the private sound server)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def switches(pid):
    """Voluntary context switches over all threads: a thread that goes to sleep gives
    one, so each wake-up is counted once (involuntary ones only say how busy the machine
    was)."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches:"):
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass
    return total


def threads(pid):
    return len(os.listdir(f"/proc/{pid}/task"))


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def main():
    build, seconds = sys.argv[1], float(sys.argv[2])
    run = os.environ["MURMLET_PULSE_RUN"]
    folder = tempfile.mkdtemp(dir=run)
    for name in ("murmlet", "license.txt"):
        shutil.copy(os.path.join(build, name), folder)
    shutil.copytree(os.path.join(build, "Languages"), os.path.join(folder, "Languages"))
    with open(os.path.join(folder, "settings.ini"), "w", newline="") as f:
        f.write("\ufeff[Settings]\r\nAutoStartMicrophone=ON\r\nSound=None\r\n")

    noise = os.path.join(run, "bench-noise.wav")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "1", "-b", "16", noise, "synth",
                    str(seconds + 15), "whitenoise", "vol", "0.6"], check=True)
    started = []
    def start(args):
        process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        started.append(process)
        return process
    try:
        start(["paplay", "-d", "micfeed", noise])
        program = start([os.path.join(folder, "murmlet")])
        bare = start([os.path.join(build, "bench", "murmlet_bare_window")])
        parec = start(["parec", "--latency-msec=50", "-d", "vmic", "--format=s16le",
                       "--rate=44100", "--channels=1"])
        time.sleep(4)  # start-up, connection and the first repaints are not counted
        cpu0 = {p.pid: cpu_seconds(p.pid) for p in (program, parec)}
        sw0 = {p.pid: switches(p.pid) for p in (program, parec)}
        time.sleep(seconds)
        cpu = {p.pid: cpu_seconds(p.pid) - cpu0[p.pid] for p in (program, parec)}
        sw = {p.pid: (switches(p.pid) - sw0[p.pid]) / seconds for p in (program, parec)}
        rss = {p.pid: rss_mb(p.pid) for p in (program, bare, parec)}
        count = {p.pid: threads(p.pid) for p in (program, parec)}
    finally:
        for process in started:
            process.terminate()
        for process in started:
            process.wait()

    print(f"The real program under Xvfb, {seconds:.0f} s of noise on the virtual microphone")
    print(f"  CPU        murmlet {cpu[program.pid]:.3f} s   parec {cpu[parec.pid]:.3f} s   "
          f"ratio {cpu[program.pid] / max(cpu[parec.pid], 1e-9):.2f}   (target at most 1.10)")
    print(f"  wake-ups   murmlet {sw[program.pid]:.1f}/s ({count[program.pid]} threads)   "
          f"parec {sw[parec.pid]:.1f}/s ({count[parec.pid]} threads)   "
          f"(target: no more than parec)")
    print(f"  memory     murmlet {rss[program.pid]:.1f} MB   bare Qt window "
          f"{rss[bare.pid]:.1f} MB   ratio {rss[program.pid] / rss[bare.pid]:.2f}   "
          f"(target at most 1.30)   parec {rss[parec.pid]:.1f} MB")


if __name__ == "__main__":
    main()
