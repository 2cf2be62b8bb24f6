# Sourced by the server's script tests. server_port LOG [PID] prints the port
# a server started with --listen 127.0.0.1:0 reports in its log, once it has;
# fails after ten seconds, or at once when PID is given and has ended.
server_port() {
    local log=$1 pid=${2:-} port
    for _ in $(seq 100); do
        port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" 2>/dev/null)
        if [ -n "$port" ]; then
            echo "$port"
            return 0
        fi
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then return 1; fi
        sleep 0.1
    done
    return 1
}
