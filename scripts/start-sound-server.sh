#!/usr/bin/env bash
# Starts a PulseAudio server with a null sink (whose monitor records what is
# played) unless one already answers, and makes sure ALSA, through which
# PortAudio reaches the server, has its "pulse" device and routes "default"
# to it. Works as root on a fresh Debian 12 machine. Never fails the caller:
# the device tests report a missing server themselves.
set -uo pipefail

warn() { echo "warning: $*; device tests will fail" >&2; }

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
  warn "pulseaudio or pactl is not installed"
  exit 0
fi

if ! pactl info >/dev/null 2>&1; then
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
    -L module-null-sink -L module-native-protocol-unix >/dev/null 2>&1 || true
  for _ in $(seq 1 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
fi
if ! pactl info >/dev/null 2>&1; then
  warn "the PulseAudio server did not start"
  exit 0
fi

# A server that was already running may lack the null sink.
if ! pactl list short sinks 2>/dev/null | grep -q 'module-null-sink'; then
  pactl load-module module-null-sink >/dev/null 2>&1 || warn "could not load a null sink"
fi

# ALSA's "pulse" device comes from libasound2-plugins; Debian's pulseaudio
# package routes "default" to it while the server runs. Where either is
# missing, a per-user ALSA configuration supplies both (never overwritten).
if command -v aplay >/dev/null; then
  devices=$(aplay -L 2>/dev/null)
  default_desc=$(printf '%s\n' "$devices" | grep -A1 '^default$' | tail -n 1)
  if ! printf '%s\n' "$devices" | grep -qx 'pulse' || ! printf '%s' "$default_desc" | grep -qi 'pulse'; then
    if [ ! -e "$HOME/.asoundrc" ]; then
      cat > "$HOME/.asoundrc" <<'ASOUND'
# Written by scripts/start-sound-server.sh: ALSA clients use PulseAudio.
pcm.pulse { type pulse }
ctl.pulse { type pulse }
pcm.!default { type pulse }
ctl.!default { type pulse }
ASOUND
    else
      warn "ALSA does not route to PulseAudio and $HOME/.asoundrc exists"
    fi
  fi
fi
exit 0
