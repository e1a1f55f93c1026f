# Sourced by the scripts that show or measure the programs against the simulated controller.
# start_sim BUILD COMn starts kvrn-sim on COMn in $ZELT_PORT_DIR (a folder inside the caller's
# scratch folder), sets $sim to its process and returns once it has linked the port and printed
# its ready line into <scratch>/sim.out (at most 5 s). The caller's exit trap stops it.
start_sim() {
    local out="$ZELT_PORT_DIR/../sim.out"
    "$1"/tools/kvrn-sim/kvrn-sim --port "$2" >"$out" 2>&1 &
    sim=$!
    for _ in $(seq 100); do
        [[ -e "$ZELT_PORT_DIR/$2" && -s "$out" ]] && break
        sleep 0.05
    done
}
