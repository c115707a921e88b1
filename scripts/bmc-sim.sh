#!/bin/sh
# bmc-sim.sh start DIR [PORT] | stop DIR | halt DIR
#
# A simulated BMC on 127.0.0.1 for the end-to-end tests, the demo and the benchmark: OpenIPMI's
# ipmi_sim serving FRU devices 0 1 2 3 6 7, each backed by DIR/fruN.bin (1280 bytes; an existing
# file is kept). After "start", PATH="DIR/bin:$PATH" sends plain "ipmitool ..." command lines to
# it through a shim that adds the LAN options.
#
# start picks a free loopback UDP port unless PORT is given, writes it to DIR/port and the
# simulator's PID to DIR/sim.pid, and returns once the simulator answers Get Device ID. It prints
# nothing on standard output and leaves no process holding the caller's stdout or stderr, so
# "$(bmc-sim.sh start ...)" and pipes do not hang.
# If BMC_SIM_OWNER holds a PID, a watcher stops the simulator once that process is gone, so a
# test killed before its clean-up ran leaves no simulator behind.
#
# stop DIR ends the simulator (and its watcher) by the recorded PID and frees its port.
# halt DIR ends the simulator but keeps its port reserved for BMC_SIM_OWNER (default: the
# caller's parent), so that the shim goes on pointing at a BMC that is down; stop frees it.
#
# Environment: IPMITOOL_REAL (default: ipmitool found on PATH, before DIR/bin is added);
# BMC_SIM_PASSWORD, the password of the simulator's user admin (default: secret).
set -eu

usage() {
    echo "usage: bmc-sim.sh start DIR [PORT] | stop DIR | halt DIR" >&2
    exit 2
}

[ $# -ge 2 ] || usage
cmd=$1
D=$2

LOCKROOT=${TMPDIR:-/tmp}
PASSWORD=${BMC_SIM_PASSWORD:-secret}

# True when some socket on this host is bound to UDP port $1 (IPv4 or IPv6).
port_in_use() {
    hex=$(printf %04X "$1")
    cat /proc/net/udp /proc/net/udp6 2>/dev/null |
        awk -v p="$hex" 'NR > 1 { n = split($2, a, ":"); if (a[n] == p) f = 1 } END { exit !f }'
}

# Number of sockets bound to UDP port $1.
port_users() {
    hex=$(printf %04X "$1")
    cat /proc/net/udp /proc/net/udp6 2>/dev/null |
        awk -v p="$hex" 'NR > 1 { n = split($2, a, ":"); if (a[n] == p) c++ } END { print c + 0 }'
}

# Reserves port $1 for this start with an atomic mkdir, so that simulators started at the same
# time by parallel tests never share a port (ipmi_sim binds with SO_REUSEADDR and would not fail).
# A reservation whose owner is gone is taken over.
reserve_port() {
    lock="$LOCKROOT/tarnwick-bmc-sim.$1.lock"
    if mkdir "$lock" 2>/dev/null; then
        echo $$ >"$lock/owner"
        echo "$lock"
        return 0
    fi
    owner=$(cat "$lock/owner" 2>/dev/null || true)
    if [ -n "$owner" ] && ! kill -0 "$owner" 2>/dev/null; then
        rm -rf "$lock"
        if mkdir "$lock" 2>/dev/null; then
            echo $$ >"$lock/owner"
            echo "$lock"
            return 0
        fi
    fi
    return 1
}

real_ipmitool() {
    if [ -n "${IPMITOOL_REAL:-}" ]; then
        echo "$IPMITOOL_REAL"
        return
    fi
    command -v ipmitool || {
        echo "bmc-sim: ipmitool not found" >&2
        exit 1
    }
}

write_config() {
    cat >"$D/lan.conf" <<EOF
name "tarnwick-sim"
set_working_mc 0x20
startlan 1
  addr 127.0.0.1 $PORT
  priv_limit admin
  allowed_auths_callback md5
  allowed_auths_user md5
  allowed_auths_operator md5
  allowed_auths_admin md5
  guid a123456789abcdefa123456789abcdef
endlan
user 2 true "admin" "$PASSWORD" admin 10 md5
EOF
    {
        echo 'mc_setbmc 0x20'
        echo 'mc_add 0x20 0 no-device-sdrs 0x23 9 8 0x9f 0x1291 0xf02'
        # FRU Device Locator records, so that "ipmitool fru" lists devices 1 2 3 6 7 as well
        for n in 1 2 3 6 7; do
            printf 'main_sdr_add 0x20 0x00 0x00 0x51 0x11 0x10 0x20 0x%02x 0x80 0x00 0x00 0x10 0x00 0x0f 0x01 0x00 0xc5 0x46 0x52 0x55 0x20 0x%02x\n' \
                "$n" $((0x30 + n))
        done
        for n in 0 1 2 3 6 7; do
            # the simulator does not create a missing backing file: every access would fail
            [ -f "$D/fru$n.bin" ] || head -c 1280 /dev/zero >"$D/fru$n.bin"
            echo "mc_add_fru_data 0x20 $n 0x500 file 0 \"$D/fru$n.bin\""
        done
        echo 'mc_enable 0x20'
    } >"$D/sim.emu"
    # -N 1 -R 2: a call to a simulator that is down fails after about 6 s instead of 20 s
    cat >"$D/bin/ipmitool" <<EOF
#!/bin/sh
exec $REAL -I lanplus -C 3 -N 1 -R 2 -H 127.0.0.1 -p $PORT -U admin -P '$PASSWORD' "\$@"
EOF
    chmod +x "$D/bin/ipmitool"
}

start_sim() {
    # stdio fully redirected: the simulator must not keep the caller's pipe open
    ipmi_sim -c "$D/lan.conf" -f "$D/sim.emu" -n -p </dev/null >"$D/sim.log" 2>&1 &
    echo $! >"$D/sim.pid"
    i=0
    until "$REAL" -I lanplus -C 3 -N 1 -R 1 -H 127.0.0.1 -p "$PORT" -U admin -P "$PASSWORD" \
        raw 0x06 0x01 >/dev/null 2>&1; do # Get Device ID
        i=$((i + 1))
        if [ $i -ge 25 ] || ! kill -0 "$(cat "$D/sim.pid")" 2>/dev/null; then
            echo "bmc-sim: simulator did not come up on port $PORT; its log:" >&2
            cat "$D/sim.log" >&2
            stop_sim
            return 1
        fi
        sleep 0.2
    done
    # another socket on the same port would share the traffic: give the port up then
    if [ "$(port_users "$PORT")" -ne 1 ]; then
        echo "bmc-sim: UDP port $PORT is shared with another socket" >&2
        stop_sim
        return 1
    fi
}

stop_sim() {
    halt_sim
    if [ -f "$D/port.lock" ]; then
        rm -rf "$(cat "$D/port.lock")"
        rm -f "$D/port.lock"
    fi
}

halt_sim() {
    if [ -f "$D/watch.pid" ]; then
        kill "$(cat "$D/watch.pid")" 2>/dev/null || true
        rm -f "$D/watch.pid"
    fi
    if [ -f "$D/sim.pid" ]; then
        pid=$(cat "$D/sim.pid")
        if kill "$pid" 2>/dev/null; then
            i=0
            while kill -0 "$pid" 2>/dev/null; do
                i=$((i + 1))
                if [ $i -ge 50 ]; then
                    kill -9 "$pid" 2>/dev/null || true
                    break
                fi
                sleep 0.1
            done
        fi
        rm -f "$D/sim.pid"
    fi
}

case $cmd in
start)
    [ $# -le 3 ] || usage
    command -v ipmi_sim >/dev/null 2>&1 || {
        echo "bmc-sim: ipmi_sim not found (Debian package openipmi)" >&2
        exit 1
    }
    REAL=$(real_ipmitool)
    mkdir -p "$D/bin" "$D/sdrcache"
    D=$(cd "$D" && pwd)
    # a start that is interrupted leaves no simulator behind
    trap 'stop_sim; exit 1' HUP INT TERM
    if [ -f "$D/sim.pid" ] && kill -0 "$(cat "$D/sim.pid")" 2>/dev/null; then
        echo "bmc-sim: a simulator already runs for $D" >&2
        exit 1
    fi
    if [ $# -eq 3 ]; then
        PORT=$3
        if port_in_use "$PORT"; then
            echo "bmc-sim: UDP port $PORT already in use" >&2
            exit 1
        fi
        lock=$(reserve_port "$PORT") || {
            echo "bmc-sim: UDP port $PORT reserved by another simulator" >&2
            exit 1
        }
        echo "$lock" >"$D/port.lock"
        write_config
        start_sim
    else
        tries=0
        while :; do
            tries=$((tries + 1))
            if [ $tries -gt 5 ]; then
                echo "bmc-sim: gave up after 5 ports" >&2
                exit 1
            fi
            PORT=$((20000 + $(od -An -N2 -tu2 /dev/urandom) % 40000))
            port_in_use "$PORT" && continue
            lock=$(reserve_port "$PORT") || continue
            echo "$lock" >"$D/port.lock"
            write_config
            start_sim && break
            rm -f "$D/sim.log"
        done
    fi
    echo "$PORT" >"$D/port"
    if [ -n "${BMC_SIM_OWNER:-}" ]; then
        sim=$(cat "$D/sim.pid")
        owner=$BMC_SIM_OWNER
        (
            trap - INT TERM
            while kill -0 "$owner" 2>/dev/null && kill -0 "$sim" 2>/dev/null; do
                sleep 1
            done
            kill "$sim" 2>/dev/null || true
            rm -rf "$(cat "$D/port.lock" 2>/dev/null)" 2>/dev/null || true
        ) </dev/null >/dev/null 2>&1 &
        echo $! >"$D/watch.pid"
    fi
    # the lock directory now names the simulator as its owner, so a crashed start frees it
    cat "$D/sim.pid" >"$(cat "$D/port.lock")/owner"
    trap - HUP INT TERM
    ;;
stop)
    [ $# -eq 2 ] || usage
    [ -d "$D" ] || exit 0
    D=$(cd "$D" && pwd)
    stop_sim
    ;;
halt)
    [ $# -eq 2 ] || usage
    D=$(cd "$D" && pwd)
    halt_sim
    [ ! -f "$D/port.lock" ] || echo "${BMC_SIM_OWNER:-$PPID}" >"$(cat "$D/port.lock")/owner"
    ;;
*)
    usage
    ;;
esac
