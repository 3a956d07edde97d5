#!/usr/bin/env bash
# The school link's example configs (packaging/school/) at work in Debian's own Mosquitto,
# prometheus-mqtt-exporter and Prometheus (engines.sh), with mosquitto_pub standing in for
# two rooms' Murmlet: a loud Room-101 and a quiet Room-102, each sending its state once a
# second over TLS. Checks the accounts and the ACL as a client sees them, what the exporter
# makes of the readings, Prometheus's view of the rooms and its alerts, and a restart of
# the broker. Takes about 40 s.
#   bash tests/school/test_engines.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/lib.sh"
. "$root/tests/school/engines.sh"

passes=0
failures=0
pass() {
  echo "PASS: $*"
  passes=$((passes + 1))
}
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Runs COMMAND until it succeeds, for up to SECONDS; fails when it never did.
within() { # SECONDS COMMAND...
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$until" ] || return 1
    sleep 0.3
  done
}

# --- the rules on their own ------------------------------------------------------------
shipped=$root/packaging/school/prometheus
for check in "check rules $shipped/murmlet-rules.yml" "test rules $shipped/murmlet-rules.test.yml"; do
  # shellcheck disable=SC2086  # the words of the check are promtool's arguments
  if out=$(promtool $check 2>&1); then
    pass "promtool $check"
  else
    fail "promtool $check: $out"
  fi
done

school_engines_start
if out=$(promtool check config "$MURMLET_SCHOOL_DIR/prometheus/prometheus.yml" 2>&1); then
  pass "promtool check config: Prometheus's config with the shipped scrape job and rules"
else
  fail "promtool check config: $out"
fi

tls=(-h 127.0.0.1 -p "$MURMLET_SCHOOL_TLS_PORT" --cafile "$MURMLET_SCHOOL_CA")
room_a=(-u Room-101 -P "$MURMLET_SCHOOL_ROOM_A_PASSWORD")
room_b=(-u Room-102 -P "$MURMLET_SCHOOL_ROOM_B_PASSWORD")
reader=(-u reader -P "$MURMLET_SCHOOL_READER_PASSWORD")

# Subscribes as ACCOUNT... to TOPIC into FILE (topic and payload a line) until the end.
listen() { # FILE TOPIC ACCOUNT...
  local file=$1 topic=$2
  shift 2
  mosquitto_sub "${tls[@]}" "$@" -V mqttv5 -v -t "$topic" >"$file" 2>&1 &
  kill_at_exit $!
}

# --- the broker: who may do what ---------------------------------------------------------
listen "$MURMLET_SCHOOL_DIR/reader.txt" 'murmlet/#' "${reader[@]}"
listen "$MURMLET_SCHOOL_DIR/room-b.txt" 'murmlet/#' "${room_b[@]}"
# Both are subscribed once the reader hears Room-101 (the room's subscription came first).
say_hello() {
  mosquitto_pub "${tls[@]}" "${room_a[@]}" -t murmlet/Room-101/hello -m hello &&
    grep -q "^murmlet/Room-101/hello hello" "$MURMLET_SCHOOL_DIR/reader.txt"
}
sleep 0.3
within 5 say_hello || fail "the reader hears nothing"

# Passes when COMMAND exits with STATUS and prints exactly OUTPUT.
expect() { # DESCRIPTION STATUS OUTPUT COMMAND...
  local what=$1 status=$2 want=$3 out code=0
  shift 3
  out=$("$@" 2>&1) || code=$?
  if [ "$code" = "$status" ] && [ "$out" = "$want" ]; then
    pass "$what"
  else
    fail "$what: exit status $code, printed '$out'; expected $status, '$want'"
  fi
}
# Passes when COMMAND fails and says TEXT: where a TLS handshake breaks off, and so how the
# client words it, varies from run to run.
refused() { # DESCRIPTION TEXT COMMAND...
  local what=$1 text=$2 out code=0
  shift 2
  out=$("$@" 2>&1) || code=$?
  if [ "$code" -ne 0 ] && [[ $out == *"$text"* ]]; then
    pass "$what: exit status $code, '$out'"
  else
    fail "$what: taken"
  fi
}
refused_v5='Warning: Publish 1 failed: Not authorized.'
publish=(mosquitto_pub "${tls[@]}" -q 1)
expect "Room-101 publishes its state (MQTT v5, QoS 1)" 0 "" \
  "${publish[@]}" "${room_a[@]}" -V mqttv5 -t murmlet/Room-101/state -m own-state
expect "Room-101 publishes its retained Home Assistant config (v5)" 0 "" \
  "${publish[@]}" "${room_a[@]}" -V mqttv5 -r -t homeassistant/sensor/murmlet_Room-101/level/config -m own-config
expect "Room-101 publishing Room-102's state (v5, QoS 1): PUBACK 'not authorized'" 0 "$refused_v5" \
  "${publish[@]}" "${room_a[@]}" -V mqttv5 -t murmlet/Room-102/state -m foreign-state-v5
expect "Room-101 publishing Room-102's state (MQTT 3.1.1, QoS 1): acknowledged as if taken" 0 "" \
  "${publish[@]}" "${room_a[@]}" -V mqttv311 -t murmlet/Room-102/state -m foreign-state-v311
expect "Room-101 publishing Room-102's Home Assistant config (v5): refused" 0 "$refused_v5" \
  "${publish[@]}" "${room_a[@]}" -V mqttv5 -r -t homeassistant/sensor/murmlet_Room-102/level/config -m foreign-config
expect "the reader publishing a room's state (v5): refused" 0 "$refused_v5" \
  "${publish[@]}" "${reader[@]}" -V mqttv5 -t murmlet/Room-101/state -m reader-state
expect "a wrong password (v5)" 135 "Connection error: Not authorized
Error: A network protocol error occurred when communicating with the broker." \
  "${publish[@]}" -u Room-101 -P wrong -V mqttv5 -t murmlet/Room-101/state -m wrong-password
expect "a wrong password (3.1.1)" 5 "Connection error: Connection Refused: not authorised.
Error: The connection was refused." \
  "${publish[@]}" -u Room-101 -P wrong -V mqttv311 -t murmlet/Room-101/state -m wrong-password
expect "no account" 5 "Connection error: Connection Refused: not authorised.
Error: The connection was refused." \
  "${publish[@]}" -t murmlet/Room-101/state -m anonymous
refused "a server certificate of an unknown CA" "A TLS error occurred" \
  mosquitto_pub -h 127.0.0.1 -p "$MURMLET_SCHOOL_TLS_PORT" --cafile "$MURMLET_SCHOOL_OTHER_CA" \
  "${room_a[@]}" -t murmlet/Room-101/state -m unknown-ca
refused "no TLS on the rooms' port" "" \
  mosquitto_pub -h 127.0.0.1 -p "$MURMLET_SCHOOL_TLS_PORT" "${room_a[@]}" -t murmlet/Room-101/state -m no-tls
refused "the client certificate's listener without one" "" \
  mosquitto_pub -h 127.0.0.1 -p "$MURMLET_SCHOOL_CERT_PORT" --cafile "$MURMLET_SCHOOL_CA" \
  "${room_a[@]}" -t murmlet/Room-101/state -m no-client-cert
expect "the client certificate's listener with one" 0 "" \
  mosquitto_pub -h 127.0.0.1 -p "$MURMLET_SCHOOL_CERT_PORT" --cafile "$MURMLET_SCHOOL_CA" \
  --cert "$MURMLET_SCHOOL_CLIENT_CERT" --key "$MURMLET_SCHOOL_CLIENT_KEY" \
  "${room_a[@]}" -t murmlet/Room-101/state -m client-cert

# A Last Will on another room's topic: the broker takes the connection, and drops the will
# when the client dies.
mosquitto_sub "${tls[@]}" "${room_a[@]}" -V mqttv5 -t murmlet/Room-101/nothing \
  --will-topic murmlet/Room-102/status --will-payload foreign-will --will-retain --will-qos 1 \
  >/dev/null 2>&1 &
will_pid=$!
sleep 0.5
if kill -0 "$will_pid" 2>/dev/null; then
  pass "a Last Will on another room's topic: connected"
else
  fail "a Last Will on another room's topic: the broker refused the connection"
fi
kill -KILL "$will_pid"
wait "$will_pid" 2>/dev/null || true

sleep 0.5
heard=$(grep -v '^murmlet/Room-101/hello ' "$MURMLET_SCHOOL_DIR/reader.txt" | sed 's/^[^ ]* //' | tr '\n' ' ')
if [ "$heard" = "own-state client-cert " ]; then
  pass "the reader heard what the ACL lets through, nothing refused: $heard"
else
  fail "the reader heard: $heard"
fi
if [ -s "$MURMLET_SCHOOL_DIR/room-b.txt" ]; then
  fail "Room-102 read other rooms: $(cat "$MURMLET_SCHOOL_DIR/room-b.txt")"
else
  pass "Room-102, subscribed to murmlet/#, heard nothing"
fi

# --- the exporter ------------------------------------------------------------------------
# The exporter's lines for METRIC of ROOM, without labels: the values.
gauge() { # METRIC ROOM
  curl --noproxy '*' -fsS "$MURMLET_SCHOOL_EXPORTER_URL/metrics" |
    sed -n "s/^$1{sensor=\"$2\",topic=\"murmlet\/$2\/state\"} //p"
}
# Passes when the exporter shows "METRIC=VALUE ..." for ROOM, VALUE "none" for no gauge.
gauges_are() { # DESCRIPTION ROOM METRIC=VALUE...
  local what=$1 room=$2 pair got=() want=()
  shift 2
  for pair in "$@"; do
    want+=("$pair")
    got+=("${pair%%=*}=$(gauge "${pair%%=*}" "$room" | grep . || echo none)")
  done
  if [ "${got[*]}" = "${want[*]}" ]; then
    pass "$what: ${got[*]}"
  else
    fail "$what: ${got[*]}; expected ${want[*]}"
  fi
}
state_b() { # FIELDS: Room-102's state with FIELDS in the middle
  printf '{"room":"Room-102","time":"%s",%s,"noisy_seconds":0,"alarms":0,"threshold":5,"tolerance":3,"paused":false,"paused_until":null,"listening":true,"sound_coming_in":true}\n' \
    "$(date -u +%FT%TZ)" "$1"
}
publish_b() { mosquitto_pub "${tls[@]}" "${room_b[@]}" -t murmlet/Room-102/state -m "$(state_b "$1")"; }
exporter_has() { curl --noproxy '*' -fsS "$MURMLET_SCHOOL_EXPORTER_URL/metrics" | grep -q "$1"; }

publish_b '"peak_dbfs":-30,"level_db":50.5,"noisy":false'
within 3 exporter_has '^murmlet_level_db{sensor="Room-102"' || true
gauges_are "numbers as they are, false 0, true 1" Room-102 \
  murmlet_peak_dbfs=-30 murmlet_level_db=50.5 murmlet_noisy=0 murmlet_listening=1 murmlet_paused=0
publish_b '"peak_dbfs":null,"noisy":true'
within 3 exporter_has '^murmlet_noisy{sensor="Room-102".* 1$' || true
gauges_are "a null or missing field keeps the last value" Room-102 \
  murmlet_peak_dbfs=-30 murmlet_level_db=50.5 murmlet_noisy=1
# The same again each second for longer than the cache timeout (5 s).
for _ in 1 2 3 4 5 6; do
  sleep 1
  state_b '"peak_dbfs":null,"noisy":true'
done | mosquitto_pub "${tls[@]}" "${room_b[@]}" -t murmlet/Room-102/state -l
gauges_are "... until the cache timeout, while the others stay" Room-102 \
  murmlet_peak_dbfs=none murmlet_level_db=none murmlet_noisy=1

# --- two rooms ---------------------------------------------------------------------------
# One second's state of ROOM, loud or quiet, the Nth since its start.
state() { # ROOM loud|quiet N
  local now
  now=$(date -u +%FT%TZ)
  if [ "$2" = loud ]; then
    printf '{"room":"%s","time":"%s","peak_dbfs":-8.5,"level_db":78.5,"noisy":true,"noisy_seconds":%d,"alarms":%d,"threshold":5,"tolerance":3,"paused":false,"paused_until":null,"listening":true,"sound_coming_in":true}\n' \
      "$1" "$now" $(($3 % 4)) $(($3 / 2))
  else
    printf '{"room":"%s","time":"%s","peak_dbfs":-45.25,"noisy":false,"noisy_seconds":0,"alarms":0,"threshold":5,"tolerance":3,"paused":true,"paused_until":"2026-12-11T09:00:00Z","listening":true,"sound_coming_in":true}\n' \
      "$1" "$now"
  fi
}
# ROOM online, as its Murmlet would be: the retained status, then its state once a second
# over one connection whose Last Will says offline. The publisher's id goes to $room_pid.
start_room() { # ROOM PASSWORD loud|quiet
  local fifo=$MURMLET_SCHOOL_DIR/$1.fifo
  mosquitto_pub "${tls[@]}" -u "$1" -P "$2" -q 1 -r -t "murmlet/$1/status" -m online
  mkfifo "$fifo"
  mosquitto_pub "${tls[@]}" -u "$1" -P "$2" -t "murmlet/$1/state" -l \
    --will-topic "murmlet/$1/status" --will-payload offline --will-retain --will-qos 1 \
    <"$fifo" >>"$MURMLET_SCHOOL_DIR/$1.log" 2>&1 &
  room_pid=$!
  (for ((n = 0; ; n++)); do state "$1" "$3" "$n"; sleep 1; done) >"$fifo" &
  kill_at_exit $! "$room_pid"
}
start_room Room-101 "$MURMLET_SCHOOL_ROOM_A_PASSWORD" loud
start_room Room-102 "$MURMLET_SCHOOL_ROOM_B_PASSWORD" quiet
room_b_pid=$room_pid

# Prometheus: one "room value labels" a line for EXPR.
query() { # EXPR
  curl --noproxy '*' -fsS --get --data-urlencode "query=$1" "$MURMLET_SCHOOL_PROMETHEUS_URL/api/v1/query" |
    python3 -c 'import json, sys
for r in sorted(json.load(sys.stdin)["data"]["result"], key=lambda r: r["metric"].get("room", "")):
    print(r["metric"].get("room", "-"), r["value"][1], ",".join(sorted(r["metric"])))'
}
# Prometheus's alerts: one "alertname room state" a line.
alerts() {
  curl --noproxy '*' -fsS "$MURMLET_SCHOOL_PROMETHEUS_URL/api/v1/alerts" |
    python3 -c 'import json, sys
for a in json.load(sys.stdin)["data"]["alerts"]:
    print(a["labels"]["alertname"], a["labels"].get("room", "-"), a["state"])'
}
has_alert() { alerts | grep -q "$1"; } # PATTERN
lacks_alert() { ! has_alert "$1"; }    # PATTERN
results_are() { [ "$(query "$1" | wc -l)" -eq "$2" ]; } # EXPR COUNT

within 5 exporter_has '^murmlet_peak_dbfs{sensor="Room-102".* -45.25$' || true
gauges_are "the loud room" Room-101 murmlet_peak_dbfs=-8.5 murmlet_level_db=78.5 murmlet_noisy=1 \
  murmlet_paused=0 murmlet_listening=1 murmlet_sound_coming_in=1 murmlet_threshold=5 murmlet_tolerance=3
gauges_are "the quiet room, not calibrated" Room-102 murmlet_peak_dbfs=-45.25 murmlet_level_db=none \
  murmlet_noisy=0 murmlet_noisy_seconds=0 murmlet_alarms=0 murmlet_paused=1
echo "The exporter's gauges of the two rooms:"
curl --noproxy '*' -fsS "$MURMLET_SCHOOL_EXPORTER_URL/metrics" | grep '^murmlet_\(peak_dbfs\|level_db\|noisy\){' | sed 's/^/  /'

within 5 results_are murmlet_peak_dbfs 2 || true
peaks=$(query murmlet_peak_dbfs)
echo "Prometheus, murmlet_peak_dbfs:"
while read -r line; do echo "  $line"; done <<<"$peaks"
if [ "$(echo "$peaks" | awk '{print $1, $3}' | tr '\n' ' ')" = "Room-101 __name__,instance,job,room Room-102 __name__,instance,job,room " ] &&
  awk '{v[$1] = $2} END {exit !(v["Room-101"] > v["Room-102"])}' <<<"$peaks"; then
  pass "Prometheus has both rooms, labelled by room alone, the loud one above the quiet one"
else
  fail "Prometheus's murmlet_peak_dbfs: $peaks"
fi

# --- a room stops --------------------------------------------------------------------------
# Any offline alert of the one-shot messages above has ended once both rooms send.
within 10 lacks_alert MurmletRoomOffline || true
before=$(alerts | grep MurmletRoomOffline || true)
# (Quietly: bash reports a job it sees killed.)
{ kill -KILL "$room_b_pid" && wait "$room_b_pid"; } 2>/dev/null || true
stopped=$SECONDS
status=$(mosquitto_sub "${tls[@]}" "${reader[@]}" -t murmlet/Room-102/status -C 1 -W 5 2>&1 || true)
if [ "$status" = offline ]; then
  pass "Room-102's Last Will: its retained status is offline"
else
  fail "Room-102's status after it died: $status"
fi
if [ -z "$before" ] && within 20 has_alert "MurmletRoomOffline Room-102 firing"; then
  pass "MurmletRoomOffline fires for Room-102, $((SECONDS - stopped)) s after it stopped"
else
  fail "MurmletRoomOffline: before the stop '$before', now: $(alerts | tr '\n' ';')"
fi
echo "Prometheus's alerts:"
alerts | sed 's/^/  /'
if alerts | grep -q "MurmletRoomOffline Room-101"; then
  fail "MurmletRoomOffline for Room-101, which still sends"
else
  pass "no MurmletRoomOffline for Room-101, which still sends"
fi
# The loud room counts an alarm every two seconds: more than 10 within the hour by now.
if within 15 has_alert "MurmletManyAlarms Room-101 firing"; then
  pass "MurmletManyAlarms fires for Room-101 at $(query 'murmlet_alarms{room="Room-101"}' | cut -d' ' -f2) alarms"
else
  fail "MurmletManyAlarms: $(alerts | tr '\n' ';')"
fi

# --- the broker restarts ---------------------------------------------------------------------
alarms_before=$(gauge murmlet_alarms Room-101)
school_broker stop
school_broker start
statuses=$(mosquitto_sub "${tls[@]}" "${reader[@]}" -t 'murmlet/+/status' -v -C 2 -W 5 2>&1 | sort | tr '\n' ' ' || true)
# Stopping, the broker sent the Last Will of every room still connected: Room-101 is
# offline too until it says otherwise.
if [ "$statuses" = "murmlet/Room-101/status offline murmlet/Room-102/status offline " ]; then
  pass "the retained statuses outlive a restart of the broker, which sent Room-101's will as it stopped: $statuses"
else
  fail "the retained statuses after a restart of the broker: $statuses"
fi
alarms_above() { [ "$(gauge murmlet_alarms Room-101)" -gt "$1" ]; }
# The exporter's client waits longer after each failed try: up to 15 s here.
if within 30 alarms_above "$alarms_before"; then
  pass "the exporter reads the rooms again after the restart (alarms $alarms_before, now $(gauge murmlet_alarms Room-101))"
else
  fail "the exporter's murmlet_alarms for Room-101 after the restart: $(gauge murmlet_alarms Room-101), before $alarms_before"
fi

[ "$failures" -eq 0 ] || school_show_logs
echo "school link test: ${passes} passed, ${failures} failed"
[ "$failures" -eq 0 ]
