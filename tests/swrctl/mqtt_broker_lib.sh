# The helpers of the MQTT broker tests, sourced by them: a private
# mosquitto on a loopback port, subscribing and publishing to it, and
# swrctl-demo serve (the command in the array serve_cmd) with the simulated
# controller under control on its standard input. Every step is bounded.
dir=$(mktemp -d)
broker_pid=
serve_pid=
# On stderr: also from inside a helper whose output is discarded.
fail() {
  {
    echo "FAIL: $*"
    echo "--- serve's stderr:"; cat "$dir/serve.err" 2>/dev/null
  } >&2
  exit 1
}
cleanup() {
  exec 3>&- 2>/dev/null
  [ -n "$serve_pid" ] && kill -KILL "$serve_pid" 2>/dev/null
  [ -n "$broker_pid" ] && kill -KILL "$broker_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$dir"
}
# Every step is bounded (-W, counted loops); ctest's timeout covers the whole.
trap cleanup EXIT

for tool in /usr/sbin/mosquitto mosquitto_sub mosquitto_pub; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

start_broker() {
  # Its log says each subscription it takes (listen below waits for one).
  printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n%s\n' "$port" \
    'log_type error
log_type warning
log_type subscribe' >"$dir/broker.conf"
  /usr/sbin/mosquitto -c "$dir/broker.conf" >"$dir/broker.log" 2>&1 &
  broker_pid=$!
  for _ in $(seq 300); do  # up to a minute on a loaded machine
    mosquitto_sub -h 127.0.0.1 -p "$port" -t probe -W 1 -C 1 2>/dev/null
    [ $? -eq 27 ] && return 0  # connected, and timed out waiting: the broker is up
    kill -0 "$broker_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 40000))
  start_broker && break
  port=
done
[ -n "$port" ] || fail "mosquitto did not start: $(cat "$dir/broker.log")"

sub() { mosquitto_sub -h 127.0.0.1 -p "$port" "$@"; }
pub() { mosquitto_pub -h 127.0.0.1 -p "$port" "$@"; }
# The first message on a topic, within `seconds`.
first() { local seconds=$1; shift; sub -C 1 -W "$seconds" "$@" 2>/dev/null; }
# Starts `sub ARGS...` in the background, its output in FILE and its pid in
# $listener, and returns once the broker has taken its subscription to the
# first -t topic, so that what is published next reaches it.
listen() {
  local file=$1 topic= before a
  shift
  for a in "$@"; do [ "$topic" = - ] && topic=$a; [ "$a" = -t ] && [ -z "$topic" ] && topic=-; done
  before=$(grep -cF " $topic" "$dir/broker.log")
  sub "$@" >"$file" 2>/dev/null &
  listener=$!
  for _ in $(seq 600); do
    [ "$(grep -cF " $topic" "$dir/broker.log")" -gt "$before" ] && return 0
    kill -0 "$listener" 2>/dev/null || return 0  # ended already: its output says the rest
    sleep 0.1
  done
  fail "no subscription to $topic within 60 s"
}
# Waits until the retained message on `topic` is `want`.
wait_for() {
  local topic=$1 want=$2 seconds=$3 got
  for _ in $(seq "$seconds"); do
    got=$(first 1 -t "$topic")
    [ "$got" = "$want" ] && return 0
  done
  fail "$topic is '$got', not '$want', after ${seconds}s"
}

start_serve() {
  rm -f "$dir/in"
  mkfifo "$dir/in"
  SWRCTL_DEMO_CONTROL=stdin XDG_STATE_HOME="$dir" "${serve_cmd[@]}" serve --mqtt "mqtt://127.0.0.1:$port" --mqtt-prefix test/meter \
    --mqtt-rate 5 "$@" <"$dir/in" >"$dir/serve.out" 2>"$dir/serve.err" &
  serve_pid=$!
  exec 3>"$dir/in"
}
# One instruction to the simulated controller; its answer up to "ok"/"end"
# (without the CR of the Windows programs' line ends).
control() {
  local lines
  lines=$(wc -l <"$dir/serve.out")
  echo "$1" >&3
  for _ in $(seq 300); do  # up to 30 s: a loaded machine, Wine
    if tail -n +$((lines + 1)) "$dir/serve.out" | tr -d '\r' | grep -qE '^(ok|end|unknown)$'; then
      tail -n +$((lines + 1)) "$dir/serve.out" | tr -d '\r' | grep -vE '^(ok|end)$'
      return 0
    fi
    sleep 0.1
  done
  fail "the simulated controller did not answer '$1'"
}

