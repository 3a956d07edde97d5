#!/usr/bin/env bash
# The school link's servers for the tests: Debian's own Mosquitto, prometheus-mqtt-exporter
# and Prometheus with the configs of packaging/school/, all on 127.0.0.1, on ports that were
# free when they started, in a throwaway folder.
#   Mosquitto   murmlet.conf and the ACL as shipped, in a copy of Debian's mosquitto.conf:
#               the rooms' TLS listener, the exporter's plain loopback listener, and one
#               more TLS listener that also wants a client certificate of the test CA
#   exporter    murmlet.yaml as shipped, logged in as "reader"; a room's gauges go after
#               $MURMLET_SCHOOL_CACHE_TIMEOUT (5s) instead of 30 s
#   Prometheus  the shipped scrape job and rules, scraping and evaluating every second;
#               MurmletRoomOffline waits $MURMLET_SCHOOL_OFFLINE_FOR (2s) instead of 4m30s
#
#   engines.sh COMMAND [ARGS...]     runs COMMAND beside them, then stops them all
#   engines.sh broker stop|kill|start
#                                    from within such a run: stops the broker (SIGTERM, so
#                                    it saves its retained messages), kills it as a crash
#                                    would, or starts it again on the same ports
# or, sourced by a script that sourced scripts/lib.sh (which stops them at exit):
#   . tests/school/engines.sh; school_engines_start; ...; school_broker stop
#
# Exported for the tests (host 127.0.0.1 throughout):
#   MURMLET_SCHOOL_DIR            the throwaway folder (logs: *.log in it)
#   MURMLET_SCHOOL_TLS_PORT       TLS, user name and password, as the rooms connect
#   MURMLET_SCHOOL_PLAIN_PORT     no TLS, user name and password (the exporter's)
#   MURMLET_SCHOOL_CERT_PORT      TLS that also wants MURMLET_SCHOOL_CLIENT_CERT/_KEY
#   MURMLET_SCHOOL_CA             the CA that signed the server's certificate (for
#                                 127.0.0.1 and localhost) and the client certificate
#   MURMLET_SCHOOL_OTHER_CA       a CA that signed nothing here
#   MURMLET_SCHOOL_CLIENT_CERT, MURMLET_SCHOOL_CLIENT_KEY
#   MURMLET_SCHOOL_ROOM_A, MURMLET_SCHOOL_ROOM_A_PASSWORD   Room-101
#   MURMLET_SCHOOL_ROOM_B, MURMLET_SCHOOL_ROOM_B_PASSWORD   Room-102
#   MURMLET_SCHOOL_READER_PASSWORD                          the account "reader"
#   MURMLET_SCHOOL_EXPORTER_URL   the exporter's http://127.0.0.1:PORT (/metrics)
#   MURMLET_SCHOOL_PROMETHEUS_URL Prometheus's http://127.0.0.1:PORT (/api/v1/...)
# shellcheck shell=bash

school_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
school_shipped=$school_root/packaging/school

# A port on 127.0.0.1 that is free now.
school_free_port() {
  python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
}

# Replaces every FROM in FILE by TO; FROM must be there, so that a change to a shipped
# config cannot quietly leave the tests on something else.
school_substitute() { # FILE FROM TO
  local text
  text=$(<"$1")
  if [[ $text != *"$2"* ]]; then
    echo "engines.sh: '$2' is no longer in $1" >&2
    return 1
  fi
  printf '%s\n' "${text//"$2"/"$3"}" >"$1"
}

# Waits up to 10 s until COMMAND succeeds.
school_wait_for() { # WHAT COMMAND...
  local what=$1
  shift
  for _ in $(seq 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "engines.sh: $what did not come up; its log is in $MURMLET_SCHOOL_DIR" >&2
  return 1
}

school_port_open() { # PORT
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# --- certificates and accounts ---------------------------------------------------------
school_make_ca() { # NAME COMMON-NAME
  local d=$MURMLET_SCHOOL_DIR/certs
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -subj "/CN=$2" -keyout "$d/$1.key" -out "$d/$1.crt" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    2>/dev/null
}

school_make_cert() { # NAME COMMON-NAME EXTENSIONS
  local d=$MURMLET_SCHOOL_DIR/certs
  openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -subj "/CN=$2" -keyout "$d/$1.key" -out "$d/$1.csr" 2>/dev/null
  printf '%s\n' "$3" >"$d/$1.ext"
  openssl x509 -req -in "$d/$1.csr" -CA "$d/ca.crt" -CAkey "$d/ca.key" -CAcreateserial \
    -days 2 -extfile "$d/$1.ext" -out "$d/$1.crt" 2>/dev/null
}

school_make_credentials() {
  local d=$MURMLET_SCHOOL_DIR
  mkdir -p "$d/certs"
  school_make_ca ca "Murmlet test school CA"
  school_make_ca other-ca "Murmlet unrelated CA"
  school_make_cert server localhost "subjectAltName=IP:127.0.0.1,DNS:localhost
extendedKeyUsage=serverAuth"
  school_make_cert client Room-101 "extendedKeyUsage=clientAuth"
  export MURMLET_SCHOOL_CA=$d/certs/ca.crt MURMLET_SCHOOL_OTHER_CA=$d/certs/other-ca.crt
  export MURMLET_SCHOOL_CLIENT_CERT=$d/certs/client.crt MURMLET_SCHOOL_CLIENT_KEY=$d/certs/client.key

  export MURMLET_SCHOOL_ROOM_A=Room-101 MURMLET_SCHOOL_ROOM_B=Room-102
  MURMLET_SCHOOL_ROOM_A_PASSWORD=$(openssl rand -hex 12)
  MURMLET_SCHOOL_ROOM_B_PASSWORD=$(openssl rand -hex 12)
  MURMLET_SCHOOL_READER_PASSWORD=$(openssl rand -hex 12)
  export MURMLET_SCHOOL_ROOM_A_PASSWORD MURMLET_SCHOOL_ROOM_B_PASSWORD MURMLET_SCHOOL_READER_PASSWORD
  mkdir -p "$d/mosquitto"
  mosquitto_passwd -b -c "$d/mosquitto/passwd" Room-101 "$MURMLET_SCHOOL_ROOM_A_PASSWORD"
  mosquitto_passwd -b "$d/mosquitto/passwd" Room-102 "$MURMLET_SCHOOL_ROOM_B_PASSWORD"
  mosquitto_passwd -b "$d/mosquitto/passwd" reader "$MURMLET_SCHOOL_READER_PASSWORD"
  chmod 600 "$d/mosquitto/passwd"
}

# --- Mosquitto -------------------------------------------------------------------------
# Debian's mosquitto.conf with the folders moved into the run; murmlet.conf in its conf.d.
school_configure_broker() {
  local m=$MURMLET_SCHOOL_DIR/mosquitto
  mkdir -p "$m/conf.d" "$m/data" "$m/certs"
  cp "$MURMLET_SCHOOL_DIR/certs/ca.crt" "$MURMLET_SCHOOL_DIR/certs/server.crt" \
    "$MURMLET_SCHOOL_DIR/certs/server.key" "$m/certs/"
  cp "$school_shipped/mosquitto/acl" "$m/acl"
  cat >"$m/mosquitto.conf" <<CONF
# Debian's mosquitto.conf, but in the run: no pid file, the log to stderr, and as the user
# who runs the tests, so that it can read and write the run's folder.
user $(id -un)
persistence true
persistence_location $m/data/
log_dest stderr
log_type error warning notice information subscribe
log_timestamp_format %H:%M:%S
include_dir $m/conf.d
CONF
  cp "$school_shipped/mosquitto/murmlet.conf" "$m/conf.d/murmlet.conf"
  school_substitute "$m/conf.d/murmlet.conf" /etc/mosquitto/ "$m/"
  school_substitute "$m/conf.d/murmlet.conf" "listener 8883" \
    "listener $MURMLET_SCHOOL_TLS_PORT 127.0.0.1"
  school_substitute "$m/conf.d/murmlet.conf" "listener 1883 127.0.0.1" \
    "listener $MURMLET_SCHOOL_PLAIN_PORT 127.0.0.1"
  # Read after murmlet.conf, as conf.d's files go in the order of their names.
  cat >"$m/conf.d/zz-client-certificates.conf" <<CONF
listener $MURMLET_SCHOOL_CERT_PORT 127.0.0.1
cafile $m/certs/ca.crt
certfile $m/certs/server.crt
keyfile $m/certs/server.key
require_certificate true
CONF
}

# school_broker start|stop|kill: the broker on its ports; its process id is in broker.pid.
school_broker() { # start|stop|kill
  local pidfile=$MURMLET_SCHOOL_DIR/broker.pid pid
  case $1 in
    start)
      mosquitto -c "$MURMLET_SCHOOL_DIR/mosquitto/mosquitto.conf" \
        >>"$MURMLET_SCHOOL_DIR/mosquitto.log" 2>&1 &
      echo $! >"$pidfile"
      school_wait_for "Mosquitto" school_port_open "$MURMLET_SCHOOL_CERT_PORT"
      ;;
    stop | kill)
      [ -f "$pidfile" ] || return 0
      pid=$(<"$pidfile")
      rm -f "$pidfile"
      kill "-$([ "$1" = kill ] && echo KILL || echo TERM)" "$pid" 2>/dev/null || return 0
      # Gone, and its ports free, before anything starts again.
      for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      ;;
    *)
      echo "usage: engines.sh broker start|stop|kill" >&2
      return 2
      ;;
  esac
}

# --- the exporter ----------------------------------------------------------------------
school_exporter_start() {
  local c=$MURMLET_SCHOOL_DIR/exporter.yaml port
  port=$(school_free_port)
  cp "$school_shipped/mqtt2prometheus/murmlet.yaml" "$c"
  school_substitute "$c" "tcp://127.0.0.1:1883" "tcp://127.0.0.1:$MURMLET_SCHOOL_PLAIN_PORT"
  school_substitute "$c" "timeout: 30s" "timeout: ${MURMLET_SCHOOL_CACHE_TIMEOUT:-5s}"
  # As Debian's unit passes them, from /etc/default/prometheus-mqtt-exporter.
  MQTT2PROM_MQTT_USER=reader MQTT2PROM_MQTT_PASSWORD=$MURMLET_SCHOOL_READER_PASSWORD \
    prometheus-mqtt-exporter -config "$c" -listen-address 127.0.0.1 -listen-port "$port" \
    >>"$MURMLET_SCHOOL_DIR/exporter.log" 2>&1 &
  kill_at_exit $!
  export MURMLET_SCHOOL_EXPORTER_URL=http://127.0.0.1:$port
  school_wait_for "the exporter" curl --noproxy '*' -fsS "$MURMLET_SCHOOL_EXPORTER_URL/metrics"
}

# --- Prometheus ------------------------------------------------------------------------
school_prometheus_start() {
  local p=$MURMLET_SCHOOL_DIR/prometheus port
  port=$(school_free_port)
  mkdir -p "$p/data"
  cp "$school_shipped/prometheus/murmlet-rules.yml" "$p/murmlet-rules.yml"
  school_substitute "$p/murmlet-rules.yml" "for: 4m30s" \
    "for: ${MURMLET_SCHOOL_OFFLINE_FOR:-2s}"
  cp "$school_shipped/prometheus/murmlet-scrape.yml" "$p/murmlet-scrape.yml"
  school_substitute "$p/murmlet-scrape.yml" "scrape_interval: 15s" "scrape_interval: 1s"
  school_substitute "$p/murmlet-scrape.yml" "127.0.0.1:9641" \
    "${MURMLET_SCHOOL_EXPORTER_URL#http://}"
  {
    printf 'global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n'
    printf 'rule_files:\n  - %s\n' "$p/murmlet-rules.yml"
    printf 'scrape_configs:\n'
    sed 's/^/  /' "$p/murmlet-scrape.yml"
  } >"$p/prometheus.yml"
  prometheus --config.file="$p/prometheus.yml" --storage.tsdb.path="$p/data" \
    --web.listen-address="127.0.0.1:$port" >>"$MURMLET_SCHOOL_DIR/prometheus.log" 2>&1 &
  kill_at_exit $!
  export MURMLET_SCHOOL_PROMETHEUS_URL=http://127.0.0.1:$port
  school_wait_for "Prometheus" curl --noproxy '*' -fsS "$MURMLET_SCHOOL_PROMETHEUS_URL/-/ready"
}

# --- all of them -----------------------------------------------------------------------
school_engines_start() {
  MURMLET_SCHOOL_DIR=$(mktemp -d /tmp/murmlet-school.XXXXXX)
  export MURMLET_SCHOOL_DIR
  at_exit rm -rf "$MURMLET_SCHOOL_DIR"
  MURMLET_SCHOOL_TLS_PORT=$(school_free_port)
  MURMLET_SCHOOL_PLAIN_PORT=$(school_free_port)
  MURMLET_SCHOOL_CERT_PORT=$(school_free_port)
  export MURMLET_SCHOOL_TLS_PORT MURMLET_SCHOOL_PLAIN_PORT MURMLET_SCHOOL_CERT_PORT
  school_make_credentials
  school_configure_broker
  at_exit school_broker stop
  school_broker start
  school_exporter_start
  school_prometheus_start
}

# Shows the tail of each server's log; for a test that failed.
school_show_logs() {
  local log
  for log in "$MURMLET_SCHOOL_DIR"/*.log; do
    [ -f "$log" ] && { echo "--- $(basename "$log") ---"; tail -n 30 "$log"; }
  done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  if [ "${1:-}" = broker ]; then
    : "${MURMLET_SCHOOL_DIR:?run me within engines.sh COMMAND}"
    school_broker "${2:-}"
    exit
  fi
  if [ $# -eq 0 ]; then
    echo "usage: engines.sh COMMAND [ARGS...] | engines.sh broker start|stop|kill" >&2
    exit 2
  fi
  . "$school_root/scripts/lib.sh"
  school_engines_start
  code=0
  "$@" || code=$?
  [ "$code" -eq 0 ] || school_show_logs
  exit "$code"
fi
