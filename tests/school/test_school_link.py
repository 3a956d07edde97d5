#!/usr/bin/env python3
"""The school link end to end, with the real engines engines.sh started and the real program.

Two rooms of the program (offscreen), each on a virtual microphone of its own on the
private sound server, one loud and one quiet, publish over TLS with their passwords from
the secret store. Checked:
  - the state messages, read with mosquitto_sub and parsed by Python's json (not the
    program's own reader): every field and its type; the loud room noisy, the quiet not;
  - the retained status: online, and offline from the Last Will when a room is killed;
  - the exporter's gauges and Prometheus's view: the loud room above the quiet one, and
    the offline alert for the killed room;
  - hostile and broken cases: a wrong password, an unknown CA, another room's topics, the
    broker down at start and restarted mid-run. In each the program keeps running, says
    what is wrong in its log, and is connected again within 10 s of the broker's return;
    the loud room's alarm sounds on the speaker while the broker is away.
Usage (run-school-test.sh sets the scene): test_school_link.py BUILD_FOLDER
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

BUILD = os.path.abspath(sys.argv[1])
ENV = os.environ
HOST = "127.0.0.1"
TLS_PORT = ENV["MURMLET_SCHOOL_TLS_PORT"]
CA = ENV["MURMLET_SCHOOL_CA"]
ROOM_A, ROOM_B = ENV["MURMLET_SCHOOL_ROOM_A"], ENV["MURMLET_SCHOOL_ROOM_B"]
PASSWORDS = {ROOM_A: ENV["MURMLET_SCHOOL_ROOM_A_PASSWORD"],
             ROOM_B: ENV["MURMLET_SCHOOL_ROOM_B_PASSWORD"]}
READER_PASSWORD = ENV["MURMLET_SCHOOL_READER_PASSWORD"]
ENGINES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "engines.sh")

# Loopback only: no proxy of the environment is asked.
urllib.request.install_opener(urllib.request.build_opener(urllib.request.ProxyHandler({})))
failures = []
scratch = tempfile.mkdtemp(prefix="murmlet-school-rooms.")


def check(ok, what):
    print(("PASS: " if ok else "FAIL: ") + what, flush=True)
    if not ok:
        failures.append(what)


def wait_until(predicate, seconds):
    """Polls until predicate() gives something true; returns it, or None after seconds."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    return None


def pactl(*args):
    return subprocess.run(["pactl", *args], check=True, capture_output=True, text=True).stdout


def make_microphone(name):
    """A virtual microphone fed by playing into the sink feed_NAME."""
    pactl("load-module", "module-null-sink", f"sink_name=feed_{name}", "rate=44100",
          "channels=1")
    pactl("load-module", "module-remap-source", f"source_name={name}",
          f"master=feed_{name}.monitor", "channels=1")


def store_password(user, password, port=TLS_PORT):
    key = f"school-link:{user}@{HOST}:{port}"
    subprocess.run([os.path.join(BUILD, "tests", "school", "murmlet-store-secret"), key],
                   input=password + "\n", text=True, check=True, timeout=20,
                   env=dict(ENV, MURMLET_LINK_MODULE=os.path.join(BUILD, "murmlet-link.so")))


class Room:
    """One copy of the program in a folder of its own, with its settings beside it. With
    machine_policy, the link's settings come from the machine's locked.ini in a folder of
    $XDG_CONFIG_DIRS, as IT sets them for every user, and not from settings.ini."""

    def __init__(self, name, microphone, user, room=None, ca=CA, sound="None", tolerance=5,
                 machine_policy=False):
        self.name = name
        self.folder = os.path.join(scratch, name)
        os.makedirs(os.path.join(self.folder, "home"))
        for part in ("murmlet", "murmlet-link.so", "murmlet-post"):
            if os.path.exists(os.path.join(BUILD, part)):
                shutil.copy(os.path.join(BUILD, part), self.folder)
        lines = ["[Settings]", "AutoStartMicrophone=ON", f"Microphone={microphone}",
                 "NoiseThreshold=5", f"Tolerance={tolerance}", f"Sound={sound}", ""]
        link = ["[SchoolLink]", "Enabled=ON", f"Host={HOST}", f"Port={TLS_PORT}",
                f"CaFile={ca}", f"User={user}", f"Room={room or user}"]
        self.policy_folder = None
        if machine_policy:
            self.policy_folder = os.path.join(self.folder, "xdg")
            os.makedirs(os.path.join(self.policy_folder, "TAMBRIX", "Murmlet"))
            with open(os.path.join(self.policy_folder, "TAMBRIX", "Murmlet", "locked.ini"), "w") as f:
                f.write("\n".join(link) + "\n")
        else:
            lines += link
        with open(os.path.join(self.folder, "settings.ini"), "w") as f:
            f.write("\r\n".join(lines) + "\r\n")
        self.log_path = os.path.join(self.folder, "program.log")
        self.process = None

    def start(self):
        env = dict(ENV, QT_QPA_PLATFORM="offscreen", HOME=os.path.join(self.folder, "home"),
                   ALL_PROXY="http://127.0.0.1:9")
        env.pop("MURMLET_LINK_MODULE", None)  # found beside the program, as installed
        if self.policy_folder:
            env["XDG_CONFIG_DIRS"] = self.policy_folder
        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen([os.path.join(self.folder, "murmlet")],
                                            stdout=log, stderr=subprocess.STDOUT, env=env)
        return self

    def log(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def said(self, text, after=0):
        """The first log line from offset `after` on that contains text."""
        for line in self.log()[after:].splitlines():
            if text in line:
                return line
        return None

    def running(self):
        return self.process.poll() is None

    def stop(self, how=signal.SIGTERM):
        if self.process and self.running():
            self.process.send_signal(how)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Subscriber:
    """mosquitto_sub as the reader account, all of the link's topics, one line each."""

    def __init__(self):
        self.path = os.path.join(scratch, f"sub-{time.monotonic_ns()}.log")
        self.file = open(self.path, "w")
        self.process = subprocess.Popen(
            ["mosquitto_sub", "-h", HOST, "-p", TLS_PORT, "--cafile", CA, "-u", "reader",
             "-P", READER_PASSWORD, "-V", "mqttv5", "-t", "murmlet/#", "-v"],
            stdout=self.file, stderr=subprocess.STDOUT)

    def messages(self):
        with open(self.path, errors="replace") as f:
            return [line.rstrip("\n").split(" ", 1) for line in f if " " in line]

    def last(self, topic):
        found = [payload for t, payload in self.messages() if t == topic]
        return found[-1] if found else None

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.file.close()


def prometheus(query):
    url = ENV["MURMLET_SCHOOL_PROMETHEUS_URL"] + "/api/v1/query?" + urllib.parse.urlencode(
        {"query": query})
    with urllib.request.urlopen(url, timeout=5) as reply:
        return json.load(reply)["data"]["result"]


def firing_alerts():
    with urllib.request.urlopen(ENV["MURMLET_SCHOOL_PROMETHEUS_URL"] + "/api/v1/alerts",
                                timeout=5) as reply:
        alerts = json.load(reply)["data"]["alerts"]
    return [a for a in alerts if a["state"] == "firing"]


def broker(action):
    subprocess.run(["bash", ENGINES, "broker", action], check=True)


def speaker_peak(seconds):
    """The loudest sample the default speaker played over the next seconds."""
    raw = subprocess.run(["timeout", str(seconds), "parec", "--device=spk.monitor",
                          "--format=s16le", "--rate=44100", "--channels=1", "--raw"],
                         capture_output=True).stdout
    samples = memoryview(raw[: len(raw) // 2 * 2]).cast("h")
    return max((abs(s) for s in samples), default=0)


STATE_FIELDS = {"room": str, "time": str, "peak_dbfs": (int, float), "noisy": bool, "noisy_seconds": int, "alarms": int,
                "threshold": int, "tolerance": int, "paused": bool, "listening": bool,
                "sound_coming_in": bool}


def main():
    make_microphone("loudmic")
    make_microphone("quietmic")
    tone = os.path.join(scratch, "tone.wav")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "1", "-b", "16", tone, "synth", "600",
                    "sine", "440", "vol", "0.5"], check=True)
    feeder = subprocess.Popen(["paplay", "--device=feed_loudmic", tone])
    for room, password in PASSWORDS.items():
        store_password(room, password)

    subscriber = Subscriber()
    loud = Room("loud", "loudmic", ROOM_A, sound="Beep", tolerance=2).start()
    # The quiet room's link is the machine's, locked by IT; its user set nothing.
    quiet = Room("quiet", "quietmic", ROOM_B, machine_policy=True).start()
    rooms = [loud, quiet]
    try:
        # --- the messages -----------------------------------------------------------------
        for room in (ROOM_A, ROOM_B):
            got = wait_until(lambda: subscriber.last(f"murmlet/{room}/state"), 20)
            check(got is not None, f"{room} publishes its state")
            check(subscriber.last(f"murmlet/{room}/status") == "online",
                  f"{room}'s status is online")
        time.sleep(3)  # the loud room noisy for a few seconds
        states = {}
        for room in (ROOM_A, ROOM_B):
            payload = subscriber.last(f"murmlet/{room}/state")
            print(f"  {room}/state: {payload}")
            state = json.loads(payload)  # an independent parser of the program's JSON
            states[room] = state
            for field, kind in STATE_FIELDS.items():
                check(isinstance(state.get(field), kind),
                      f"{room}: {field} is a JSON {getattr(kind, '__name__', 'number')}")
            check(time.strptime(state["time"], "%Y-%m-%dT%H:%M:%SZ") is not None,
                  f"{room}: the time is ISO 8601 in UTC")
            check("level_db" not in state, f"{room}: no calibrated level when not calibrated")
            check(state["room"] == room and state["listening"], f"{room} is listening")
        with open(os.path.join(quiet.folder, "settings.ini"), encoding="utf-8-sig") as f:
            check("SchoolLink" not in f.read(),
                  "the machine's locked link stays out of the user's settings.ini")
        check(states[ROOM_A]["sound_coming_in"] and states[ROOM_A]["peak_dbfs"] > -10,
              "the loud room hears its tone (peak %s dBFS)" % states[ROOM_A]["peak_dbfs"])
        check(states[ROOM_A]["noisy"] and not states[ROOM_B]["noisy"],
              "the loud room is noisy, the quiet one is not")
        check(states[ROOM_B]["peak_dbfs"] < -60,
              "the quiet room is quiet (peak %s)" % states[ROOM_B]["peak_dbfs"])
        alarm = wait_until(lambda: subscriber.last(f"murmlet/{ROOM_A}/alarm"), 10)
        check(alarm is not None and json.loads(alarm)["sound"] == "Beep",
              f"the loud room's alarm is published: {alarm}")

        # --- the exporter and Prometheus ----------------------------------------------------
        def peaks():
            result = prometheus("murmlet_peak_dbfs")
            return {r["metric"].get("room"): float(r["value"][1]) for r in result} \
                if len(result) == 2 else None
        view = wait_until(peaks, 20)
        print(f"  Prometheus murmlet_peak_dbfs: {view}")
        check(view is not None and view[ROOM_A] > view.get(ROOM_B, -1000),
              "Prometheus has the loud room above the quiet one")
        with urllib.request.urlopen(ENV["MURMLET_SCHOOL_EXPORTER_URL"] + "/metrics",
                                    timeout=5) as reply:
            metrics = [line for line in reply.read().decode().splitlines()
                       if line.startswith("murmlet_noisy{")]
        print("  exporter: " + " | ".join(metrics))
        check(len(metrics) == 2, "the exporter has a noisy gauge for each room")

        # --- a room that dies -------------------------------------------------------------
        quiet.stop(signal.SIGKILL)
        got = wait_until(lambda: subscriber.last(f"murmlet/{ROOM_B}/status") == "offline", 10)
        check(got, "a killed room's Last Will says offline")
        alert = wait_until(lambda: [a for a in firing_alerts()
                                    if a["labels"].get("alertname") == "MurmletRoomOffline"], 30)
        check(bool(alert), "Prometheus fires the offline alert for the killed room: %s"
              % (alert[0]["labels"] if alert else None))

        # --- hostile and broken ------------------------------------------------------------
        wrong = Room("wrong-password", "quietmic", ROOM_B)
        store_password(ROOM_B, "not-the-password")
        unknown_ca = Room("unknown-ca", "quietmic", ROOM_B, ca=ENV["MURMLET_SCHOOL_OTHER_CA"])
        other = Room("other-rooms-topic", "quietmic", ROOM_A, room=ROOM_B)
        cases = [(wrong, "School link: refused"), (unknown_ca, "School link: offline"),
                 (other, "School link: refused")]
        for room, _ in cases:
            rooms.append(room.start())
        for room, expected in cases:
            line = wait_until(lambda: room.said(expected), 15)
            check(line is not None, f"{room.name}: says {line!r}")
            check(room.running(), f"{room.name}: keeps running")
        check(subscriber.last(f"murmlet/{ROOM_B}/status") == "offline",
              "no room took over another room's status")

        # Broker down: the loud room goes on listening and alarming; a room started now
        # connects once the broker is back.
        mark = len(loud.log())
        broker("stop")
        check(wait_until(lambda: loud.said("School link: offline", mark), 10) is not None,
              "the loud room says the broker is gone")
        store_password(ROOM_B, PASSWORDS[ROOM_B])
        late = Room("broker-down-at-start", "quietmic", ROOM_B).start()
        rooms.append(late)
        check(wait_until(lambda: late.said("School link: offline"), 10) is not None,
              "a room started while the broker is down says so")
        peak = speaker_peak(4)
        check(peak > 3000, f"the alarm sounds while the broker is away (speaker peak {peak})")
        back = time.monotonic()
        broker("start")
        marks = {loud: mark, late: len(late.log())}
        for room in (loud, late):
            line = wait_until(lambda: room.said("School link: connected", marks[room]), 10)
            check(line is not None and room.running(),
                  f"{room.name}: connected again %.1f s after the broker came back"
                  % (time.monotonic() - back))
        subscriber.stop()
        subscriber = Subscriber()
        check(wait_until(lambda: subscriber.last(f"murmlet/{ROOM_A}/state"), 10) is not None,
              "the loud room publishes again")
    finally:
        subscriber.stop()
        for room in rooms:
            room.stop()
        feeder.kill()
        if failures:
            for room in rooms:
                print(f"--- {room.name} ---\n" + room.log()[-2000:])
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"{len(failures)} failure(s)" if failures else "School link: all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
