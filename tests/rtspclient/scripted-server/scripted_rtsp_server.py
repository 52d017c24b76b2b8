#!/usr/bin/python3
"""Scripted RTSP server for the library's tests: what GStreamer's server cannot do.

Listens on 127.0.0.1 (port 0 = a free one) and prints "READY <port>" when it
listens. Every request it receives, every back-channel packet and every media
milestone is written as one JSON line to the --events file, which tests read.

Scripted behaviour (options, each optional):
  --auth none|basic|digest|aes|sep   scheme the server insists on
  --user U --password P              credentials it accepts (admin / admin123)
  --public LIST                      the OPTIONS Public list
  --timeout S                        Session timeout announced in SETUP
  --rate N                           RTP packets a second per track (50)
  --payload N                        payload bytes per packet (1000)
  --bye-after N                      RTCP BYE after N packets of track 0
  --tracks N                         media sections (1..5)
  --no-track-control                 media without a=control
  --back-channel                     one more audio media marked a=sendonly
  --redirect-options N               first N OPTIONS answer 302 to /redir<k>
  --redirect-same                    OPTIONS answers 302 to its own URL once
  --redirect-describe N              first N DESCRIBE answer 302
  --silent-at METHOD                 never answer METHOD
  --close-at METHOD                  drop the connection on METHOD
  --malformed-at METHOD              answer METHOD with a status line of two words
  --status-at METHOD=CODE            answer METHOD with that status
  --announce-after-play              send ANNOUNCE with ExtErrInfo after PLAY
  --redirect-after-play URL          send REDIRECT after PLAY
  --session-info TEXT                PrepareSessionInfoRsp of a PrepareSessionInfo ANNOUNCE
  --multicast GROUP:PORT             SETUP answers with a multicast Transport
  --sep-key-bits N                   size of the SEP server key (2048)
  --silent-keepalive                 never answer keep-alives
  --expire                           drop a session that sends no request for its timeout
  --close-after-redirect             close the connection right after a 302 answer
  --redirect-userinfo USER:PASS      302 Locations carry these credentials
  --garbage-at METHOD                answer METHOD with bytes that are no RTSP message
  --oversized-at METHOD              answer METHOD with a 300,000-byte body
  --unsolicited N                    after PLAY, N answers to CSeqs nobody sent (--unsolicited-size bytes)
  --digest-qop                       the Digest challenge asks for qop="auth" and carries an opaque
  --digest-unquoted                  the Digest challenge's parameters are not quoted
  --digest-stale-every N             after N authorized requests the nonce rotates (401, stale=true)
  --sep-challenge TEXT               the SEP WWW-Authenticate value instead of the usual one
  --freeze-after N                   stop media after N packets a track, connection kept open
  --source ADDR                      UDP media sent from ADDR, announced as SETUP "source"
  --rtpmap TEXT                      the first media's rtpmap (default "96 H264/90000")
"""
import argparse
import base64
import hashlib
import json
import os
import random
import re
import socket
import struct
import subprocess
import sys
import threading
import time

ARGS = None
EVENTS_LOCK = threading.Lock()
EVENTS = None
STATE_LOCK = threading.Lock()
REDIRECT_COUNT = {"OPTIONS": 0, "DESCRIBE": 0, "SAME": 0}
REASONS = {200: "OK", 301: "Moved Permanently", 302: "Moved Temporarily", 400: "Bad Request",
           401: "Unauthorized", 403: "Forbidden", 404: "Not Found", 454: "Session Not Found",
           455: "Method Not Valid In This State", 461: "Unsupported Transport", 500: "Internal Server Error",
           503: "Service Unavailable"}


def event(**fields):
    fields["t"] = round(time.monotonic(), 3)
    line = json.dumps(fields)
    with EVENTS_LOCK:
        if EVENTS:
            EVENTS.write(line + "\n")
            EVENTS.flush()


class SepKeys:
    """RSA key pair of the SEP challenge; decryption through the openssl tool."""

    def __init__(self, bits):
        # The private key lives in this process only: the server is often
        # killed, and a key file would outlive it.
        self.private = subprocess.run(["openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt",
                                       f"rsa_keygen_bits:{bits}"], check=True, capture_output=True).stdout
        self.public_pem = subprocess.run(["openssl", "pkey", "-pubout"], input=self.private, check=True,
                                         capture_output=True).stdout.decode().strip()

    def rsa_decrypt(self, data):
        # The key reaches openssl through a pipe of its own; the data goes to stdin.
        read_end, write_end = os.pipe()
        try:
            os.write(write_end, self.private)
        finally:
            os.close(write_end)
        try:
            result = subprocess.run(["openssl", "pkeyutl", "-decrypt", "-inkey", f"/dev/fd/{read_end}",
                                     "-pkeyopt", "rsa_padding_mode:pkcs1"], input=data, capture_output=True,
                                    pass_fds=(read_end,))
        finally:
            os.close(read_end)
        return result.stdout if result.returncode == 0 else None


def aes256_cbc_decrypt(key, iv, data):
    result = subprocess.run(["openssl", "enc", "-d", "-aes-256-cbc", "-nopad", "-K", key.hex(), "-iv", iv.hex()],
                            input=data, capture_output=True)
    return result.stdout if result.returncode == 0 else None


def rtcp_event(channel, data):
    """Logs a received RTCP packet; a receiver report with its first block's jitter."""
    fields = {"channel": channel, "length": len(data), "type": data[1] if len(data) > 1 else -1}
    if len(data) >= 24 and data[1] == 201 and data[0] & 0x1F:
        fields["jitter"] = struct.unpack(">I", data[20:24])[0]
    event(event="rtcp-received", **fields)


def md5hex(text):
    return hashlib.md5(text.encode()).hexdigest()


def parse_request(text):
    head = text.split("\r\n\r\n", 1)[0]
    lines = head.split("\r\n")
    parts = lines[0].split(" ")
    headers = {}
    for line in lines[1:]:
        if ":" in line:
            name, value = line.split(":", 1)
            headers.setdefault(name.strip(), value.strip())
    return parts, headers


def timestamp_step(track):
    """Timestamp units between packets: 3600, or the first track's rtpmap clock at the packet rate."""
    if track.index == 0 and ARGS.rtpmap:
        return int(int(ARGS.rtpmap.split("/")[1]) / ARGS.rate)
    return 3600


class Track:
    def __init__(self, index):
        self.index = index
        self.mode = None          # "interleaved", "tcp", "udp", "multicast"
        self.channel = 2 * index
        self.rtp_sock = None      # tcp: accepted connection; udp: bound socket
        self.rtcp_sock = None
        self.client_addr = None
        self.listeners = []
        self.seq = random.randint(0, 60000)
        self.ts = random.randint(0, 1 << 30)
        self.ssrc = random.randint(1, 0xFFFFFFFF)
        self.sent = 0


class Connection:
    def __init__(self, sock, server_port):
        self.sock = sock
        self.server_port = server_port
        self.send_lock = threading.Lock()
        self.tracks = {}
        self.session_id = "%08X" % random.randint(0, 0xFFFFFFFF)
        self.playing = threading.Event()
        self.closed = threading.Event()
        self.media_thread = None
        self.last_activity = time.monotonic()
        self.nonce = "%032x" % random.getrandbits(128)
        self.sep_random = os.urandom(16)
        self.authorized_aes = False
        self.cascade = False
        self.cseq_out = 1000
        self.authorized = 0
        self.last_nc = 0
        self.nonces = {self.nonce}

    # ---- sending ------------------------------------------------------------
    def send(self, data):
        with self.send_lock:
            try:
                self.sock.sendall(data)
            except OSError:
                self.closed.set()

    def respond(self, code, cseq, extra=(), body=b""):
        lines = [f"RTSP/1.0 {code} {REASONS.get(code, 'Status')}", f"CSeq: {cseq}", "Server: scripted"]
        lines += list(extra)
        if body:
            lines += ["Content-Type: application/sdp", f"Content-Length: {len(body)}"]
        self.send(("\r\n".join(lines) + "\r\n\r\n").encode() + body)

    def server_request(self, method, url, extra=(), body=b""):
        self.cseq_out += 1
        lines = [f"{method} {url} RTSP/1.0", f"CSeq: {self.cseq_out}"] + list(extra)
        if body:
            lines += ["Content-Type: application/sdp", f"Content-Length: {len(body)}"]
        self.send(("\r\n".join(lines) + "\r\n\r\n").encode() + body)

    # ---- receiving ----------------------------------------------------------
    def serve(self):
        buffer = b""
        self.sock.settimeout(0.2)
        while not self.closed.is_set():
            if ARGS.expire and ARGS.timeout and time.monotonic() - self.last_activity > ARGS.timeout:
                event(event="expired", session=self.session_id)
                break
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                break
            if not chunk:
                break
            buffer += chunk
            buffer = self.consume(buffer)
        self.close()

    def consume(self, buffer):
        while buffer:
            if buffer[:1] == b"$":
                if len(buffer) < 4:
                    return buffer
                channel, length = buffer[1], struct.unpack(">H", buffer[2:4])[0]
                if len(buffer) < 4 + length:
                    return buffer
                self.on_frame(channel, buffer[4:4 + length])
                buffer = buffer[4 + length:]
                continue
            end = buffer.find(b"\r\n\r\n")
            if end < 0:
                return buffer
            head = buffer[:end + 4].decode(errors="replace")
            match = re.search(r"Content-Length:\s*(\d+)", head, re.I)
            total = end + 4 + (int(match.group(1)) if match else 0)
            if len(buffer) < total:
                return buffer
            self.last_activity = time.monotonic()
            self.on_request(head, buffer[end + 4:total])
            buffer = buffer[total:]
        return buffer

    def on_frame(self, channel, data):
        if channel % 2 == 0 and len(data) >= 12:
            marker = data[1] >> 7
            pt = data[1] & 0x7F
            seq, ts = struct.unpack(">HI", data[2:8])
            event(event="rtp-received", channel=channel, length=len(data) - 12, marker=marker, pt=pt, seq=seq, ts=ts)
        else:
            rtcp_event(channel, data)

    # ---- requests -----------------------------------------------------------
    def on_request(self, head, body):
        parts, headers = parse_request(head)
        method = parts[0] if parts else ""
        uri = parts[1] if len(parts) > 1 else ""
        cseq = headers.get("CSeq", "0")
        event(event="request", method=method, uri=uri, headers=headers, body=body.decode(errors="replace"))
        if ARGS.silent_keepalive and method in ("HEARTBEAT", "GET_PARAMETER", "SET_PARAMETER") or (
                ARGS.silent_keepalive and method == "OPTIONS" and "Session" in headers):
            return
        if method == ARGS.silent_at:
            return
        if method == ARGS.close_at:
            self.closed.set()
            try:
                self.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        if method == ARGS.garbage_at:
            self.send(b"\x16\x03\x01\x02\x00garbage\r\n\r\n")
            return
        if method == ARGS.oversized_at:
            self.respond(200, cseq, [f"Session: {self.session_id}"], b"o" * 300000)
            return
        if method == ARGS.malformed_at:
            self.send(f"RTSP/1.0 200\r\nCSeq: {cseq}\r\n\r\n".encode())
            return
        if ARGS.status_at and ARGS.status_at[0] == method:
            self.respond(ARGS.status_at[1], cseq)
            return
        if not self.check_auth(method, uri, headers, cseq):
            return
        handler = getattr(self, "on_" + method.lower(), None)
        if handler is None:
            self.respond(200 if method in ("HEARTBEAT", "GET_PARAMETER", "SET_PARAMETER") else 501, cseq,
                         [f"Session: {self.session_id}"])
            return
        handler(uri, headers, cseq, body)

    def check_auth(self, method, uri, headers, cseq):
        scheme = ARGS.auth
        auth = headers.get("Authorization", "")
        if scheme == "none" or method in ("HEARTBEAT",):
            return True
        if scheme == "basic":
            expected = "Basic " + base64.b64encode(f"{ARGS.user}:{ARGS.password}".encode()).decode()
            if auth:
                event(event="basic", method=method, valid=auth == expected)
            if auth == expected:
                return True
            self.respond(401, cseq, ['WWW-Authenticate: Basic realm="scripted"'])
            return False
        if scheme == "digest":
            return self.check_digest(method, uri, auth, cseq)
        if scheme == "aes":
            if method == "OPTIONS" and not auth:
                return True
            match = re.fullmatch(r"AES ([A-Za-z0-9+/=]+):([A-Za-z0-9+/=]+)", auth)
            good = bool(match) and len(base64.b64decode(match.group(1))) == 256
            event(event="aes", method=method, valid=good)
            if good:
                return True
            self.respond(401, cseq)
            return False
        if scheme == "sep":
            if method == "OPTIONS":
                return True
            if self.authorized_aes:
                return True
            if method == "DESCRIBE" and auth.startswith("SEP "):
                good = self.check_sep(auth, headers)
                event(event="sep", valid=good)
                if good:
                    self.authorized_aes = True
                    return True
                self.respond(401, cseq)
                return False
            if method == "DESCRIBE":
                rand = base64.b64encode(self.sep_random).decode()
                challenge = ARGS.sep_challenge or f'SEP CIPHER_SUITE="0",RAND="{rand}"'
                self.respond(401, cseq, [f'WWW-Authenticate: {challenge}',
                                         "PKD: " + SEP_KEYS.public_pem.replace("\n", "\n")])
                return False
            self.respond(401, cseq)
            return False
        return True

    def digest_challenge(self, stale=False):
        if ARGS.digest_unquoted:
            return f"WWW-Authenticate: Digest realm=scripted, nonce={self.nonce}" + (", stale=true" if stale else "")
        text = f'WWW-Authenticate: Digest realm="scripted", nonce="{self.nonce}"'
        if ARGS.digest_qop:
            text += f', qop="auth", opaque="{OPAQUE}", algorithm=MD5'
        return text + (", stale=true" if stale else "")

    def check_digest(self, method, uri, auth, cseq):
        fields = {}
        if auth.startswith("Digest "):
            for name, quoted, plain in re.findall(r'(\w+)=(?:"([^"]*)"|([^,\s]*))', auth[7:]):
                fields[name] = quoted or plain
        if fields:
            # Checked against the nonce the client used; a right answer to an
            # older nonce is stale (RFC 7616), as is one due for rotation.
            nonce = fields.get("nonce", "")
            ha1 = md5hex(f"{ARGS.user}:scripted:{ARGS.password}")
            ha2 = md5hex(f"{method}:{fields.get('uri', '')}")
            if ARGS.digest_qop:
                nc = fields.get("nc", "")
                expected = md5hex(f"{ha1}:{nonce}:{nc}:{fields.get('cnonce', '')}:auth:{ha2}")
                good = (fields.get("qop") == "auth" and fields.get("opaque") == OPAQUE and
                        bool(fields.get("cnonce")) and re.fullmatch(r"[0-9a-f]{8}", nc) is not None and
                        fields.get("response") == expected and
                        (nonce != self.nonce or int(nc, 16) > self.last_nc))
            else:
                good = fields.get("response") == md5hex(f"{ha1}:{nonce}:{ha2}")
            good = good and nonce in self.nonces
            due = ARGS.digest_stale_every and self.authorized >= ARGS.digest_stale_every
            stale = good and (nonce != self.nonce or due)
            event(event="digest", method=method, uri=fields.get("uri"), request_uri=uri, valid=good,
                  nc=fields.get("nc"), stale=bool(stale))
            if stale:
                if nonce == self.nonce:
                    self.authorized = 0
                    self.nonce = "%032x" % random.getrandbits(128)
                    self.nonces.add(self.nonce)
                    self.last_nc = 0
                self.respond(401, cseq, [self.digest_challenge(stale=True)])
                return False
            if good:
                if ARGS.digest_qop:
                    self.last_nc = int(fields["nc"], 16)
                self.authorized += 1
                return True
        self.respond(401, cseq, [self.digest_challenge()])
        return False

    def check_sep(self, auth, headers):
        fields = dict(re.findall(r'(\w+)="([^"]*)"', auth))
        try:
            key_block = SEP_KEYS.rsa_decrypt(base64.b64decode(headers.get("Key", "")))
            data = base64.b64decode(fields.get("DATA", ""))
        except (ValueError, TypeError):
            return False
        if fields.get("CIPHER_SUITE") != "0" or not key_block or len(key_block) != 49 or key_block[16:17] != b":":
            return False
        iv, key = key_block[:16], key_block[17:]
        plain = aes256_cbc_decrypt(key, iv, data)
        if not plain:
            return False
        expected = self.sep_random + f":{ARGS.user}:{ARGS.password}".encode()
        return plain.rstrip(b"\0") == expected

    def sdp(self):
        lines = ["v=0", f"o=- {self.session_id} 1 IN IP4 127.0.0.1", "s=scripted", "c=IN IP4 0.0.0.0", "t=0 0",
                 "a=range:npt=0-"]
        lines.append("a=control:*")
        for index in range(ARGS.tracks):
            if index == 0 and ARGS.rtpmap:
                payload = ARGS.rtpmap.split(" ")[0]
                kind = "audio" if "/8000" in ARGS.rtpmap or "/16000" in ARGS.rtpmap else "video"
                lines += [f"m={kind} 0 RTP/AVP {payload}", f"a=rtpmap:{ARGS.rtpmap}"]
            else:
                lines += ["m=video 0 RTP/AVP 96", "a=rtpmap:96 H264/90000",
                          "a=fmtp:96 packetization-mode=1"]
            if not ARGS.no_track_control:
                lines.append(f"a=control:trackID={index}")
        if ARGS.back_channel:
            lines += ["m=audio 0 RTP/AVP 0", "a=rtpmap:0 PCMU/8000", "a=sendonly",
                      f"a=control:trackID={ARGS.tracks}"]
        return ("\r\n".join(lines) + "\r\n").encode()

    def redirect(self, kind, uri, cseq, limit):
        with STATE_LOCK:
            if REDIRECT_COUNT[kind] >= limit:
                return False
            REDIRECT_COUNT[kind] += 1
            count = REDIRECT_COUNT[kind]
        userinfo = f"{ARGS.redirect_userinfo}@" if ARGS.redirect_userinfo else ""
        base = f"rtsp://{userinfo}127.0.0.1:{self.server_port}"
        self.respond(302, cseq, [f"Location: {base}/redir{count}"])
        if ARGS.close_after_redirect:
            self.closed.set()
            try:
                self.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        return True

    def on_options(self, uri, headers, cseq, body):
        if "command" in headers or "GetParam" in headers or "bri" in headers or "forceiframe" in headers:
            extra = ["bri: 50", "con: 60", "sat: 70", "hue: 80"] if "GetParam" in headers else []
            self.respond(200, cseq, [f"Session: {self.session_id}"] + extra)
            return
        if ARGS.redirect_same:
            with STATE_LOCK:
                first = REDIRECT_COUNT["SAME"] == 0
                REDIRECT_COUNT["SAME"] += 1
            if first:
                self.respond(302, cseq, [f"Location: {uri}"])
                return
        if ARGS.redirect_options and self.redirect("OPTIONS", uri, cseq, ARGS.redirect_options):
            return
        extra = [f"Public: {ARGS.public}"]
        if ARGS.auth == "aes":
            extra.append("SupportAuth: AES")
        elif ARGS.auth == "sep":
            extra.append("SupportAuth: Authenty")
        self.respond(200, cseq, extra)

    def on_describe(self, uri, headers, cseq, body):
        if ARGS.redirect_describe and self.redirect("DESCRIBE", uri, cseq, ARGS.redirect_describe):
            return
        self.respond(200, cseq, [f"Content-Base: {uri}/"], self.sdp())

    def on_setup(self, uri, headers, cseq, body):
        transport = headers.get("Transport", "")
        match = re.search(r"trackID=(\d+)", uri)
        index = int(match.group(1)) if match else 0
        track = Track(index)
        self.cascade = headers.get("User-Agent", "") == "CascadeMedia"
        timeout = f";timeout={ARGS.timeout}" if ARGS.timeout else ""
        session = [f"Session: {self.session_id}{timeout}"]
        if ARGS.multicast:
            group, port = ARGS.multicast.split(":")
            asked = re.search(r"port=(\d+)", transport)
            port = int(asked.group(1)) if asked else int(port)
            track.mode = "multicast"
            track.client_addr = (group, port)
            # Sent from the URL's host on loopback: only inside a test's own
            # network namespace does this reach anyone.
            track.rtp_sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            track.rtp_sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 1)
            track.rtp_sock.bind(("127.0.0.1", 0))
            self.tracks[index] = track
            self.respond(200, cseq, session + [f"Transport: RTP/AVP;multicast;destination={group};"
                                               f"port={port}-{port + 1};ttl=1"])
            return
        if "interleaved=" in transport:
            channel = int(re.search(r"interleaved=(\d+)", transport).group(1))
            track.mode, track.channel = "interleaved", channel
            reply = f"Transport: RTP/AVP/TCP;unicast;interleaved={channel}-{channel + 1};ssrc={track.ssrc:08X}"
        elif "RTP/AVP/TCP" in transport:
            client = re.search(r"client_port=(\d+)-(\d+)", transport)
            track.mode = "tcp"
            rtp_port = self.listen_pair(track, socket.SOCK_STREAM)
            reply = (f"Transport: RTP/AVP/TCP;unicast;client_port={client.group(1)}-{client.group(2)};"
                     f"server_port={rtp_port}-{rtp_port + 1}")
        else:
            client = re.search(r"client_port=(\d+)-(\d+)", transport)
            if not client:
                self.respond(461, cseq)
                return
            track.mode = "udp"
            track.client_addr = ("127.0.0.1", int(client.group(1)))
            source = ARGS.source or "127.0.0.1"
            rtp_port = self.listen_pair(track, socket.SOCK_DGRAM, source)
            reply = (f"Transport: RTP/AVP;unicast;client_port={client.group(1)}-{client.group(2)};"
                     f"server_port={rtp_port}-{rtp_port + 1};source={source}")
        self.tracks[index] = track
        self.respond(200, cseq, session + [reply])

    def listen_pair(self, track, kind, address="127.0.0.1"):
        """Binds an even/odd port pair on a loopback address for one track."""
        for _ in range(100):
            # Linux hands odd ports to bind(0) for TCP: take the even one below.
            probe = socket.socket(socket.AF_INET, kind)
            probe.bind((address, 0))
            port = probe.getsockname()[1] & ~1
            probe.close()
            first = socket.socket(socket.AF_INET, kind)
            second = socket.socket(socket.AF_INET, kind)
            try:
                first.bind((address, port))
                second.bind((address, port + 1))
            except OSError:
                first.close()
                second.close()
                continue
            if kind == socket.SOCK_STREAM:
                first.listen(1)
                second.listen(1)
                track.listeners = [first, second]
                threading.Thread(target=self.accept_tcp, args=(track,), daemon=True).start()
            else:
                track.rtp_sock, track.rtcp_sock = first, second
                threading.Thread(target=self.read_udp, args=(track, second), daemon=True).start()
            return port
        raise RuntimeError("no port pair")

    def accept_tcp(self, track):
        rtp_listener, rtcp_listener = track.listeners
        rtp_listener.settimeout(10)
        try:
            conn, _ = rtp_listener.accept()
        except OSError:
            return
        conn.settimeout(1)
        try:
            first = conn.recv(len(self.session_id))
        except OSError:
            first = b""
        event(event="tcp-connected", track=track.index, first_send=first.decode(errors="replace"))
        track.rtp_sock = conn
        rtcp_listener.settimeout(2)
        try:
            rtcp, _ = rtcp_listener.accept()
            track.rtcp_sock = rtcp
            event(event="tcp-rtcp-connected", track=track.index)
        except OSError:
            pass

    def read_udp(self, track, sock):
        sock.settimeout(0.5)
        while not self.closed.is_set():
            try:
                data, _ = sock.recvfrom(65536)
            except socket.timeout:
                continue
            except OSError:
                return
            rtcp_event(-1, data)

    def on_play(self, uri, headers, cseq, body):
        extra = [f"Session: {self.session_id}", "RTP-Info: url=" + uri]
        if "Scale" in headers:
            extra.append("Scale: " + headers["Scale"])
        if "Range" in headers:
            extra.append("Range: " + headers["Range"])
        self.respond(200, cseq, extra)
        self.playing.set()
        if self.media_thread is None:
            self.media_thread = threading.Thread(target=self.send_media, daemon=True)
            self.media_thread.start()
            if ARGS.announce_after_play:
                self.server_request("ANNOUNCE", uri, ["ExtErrInfo:errcode=5;description=disk full"], self.sdp())
            if ARGS.redirect_after_play:
                self.server_request("REDIRECT", uri, [f"Location: {ARGS.redirect_after_play}"])
            if ARGS.unsolicited:
                threading.Thread(target=self.send_unsolicited, daemon=True).start()

    def send_unsolicited(self):
        body = b"u" * ARGS.unsolicited_size
        for index in range(ARGS.unsolicited):
            self.respond(200, 30000 + index, [f"Session: {self.session_id}"], body)
        event(event="unsolicited-sent", count=ARGS.unsolicited)

    def on_pause(self, uri, headers, cseq, body):
        self.playing.clear()
        self.respond(200, cseq, [f"Session: {self.session_id}"])

    def on_teardown(self, uri, headers, cseq, body):
        self.playing.clear()
        self.respond(200, cseq, [f"Session: {self.session_id}"])

    def on_announce(self, uri, headers, cseq, body):
        extra = [f"Session: {self.session_id}"]
        if headers.get("PrepareSessionInfo") == "1" and ARGS.session_info is not None:
            extra.append(f"PrepareSessionInfoRsp: {ARGS.session_info}")
        self.respond(200, cseq, extra)

    # ---- media --------------------------------------------------------------
    def rtp_packet(self, track):
        track.seq = (track.seq + 1) & 0xFFFF
        track.ts = (track.ts + timestamp_step(track)) & 0xFFFFFFFF
        marker = 0x80 if track.sent % 5 == 4 else 0
        header = struct.pack(">BBHII", 0x80, marker | 96, track.seq, track.ts, track.ssrc)
        return header + bytes([track.index]) * ARGS.payload

    def bye_packet(self, track):
        return struct.pack(">BBHI", 0x81, 203, 1, track.ssrc)

    def deliver(self, track, data, rtcp=False):
        if track.mode == "interleaved":
            self.send(struct.pack(">BBH", 0x24, track.channel + (1 if rtcp else 0), len(data)) + data)
        elif track.mode == "tcp":
            sock = track.rtcp_sock if rtcp and track.rtcp_sock else track.rtp_sock
            if sock is None:
                return
            if self.cascade:
                data += b"\0" * (-len(data) % 4)
                frame = struct.pack("<BBH", 0x24, 1 if rtcp else 0, len(data) // 4) + data
            else:
                frame = struct.pack(">BBH", 0x24, 1 if rtcp else 0, len(data)) + data
            try:
                sock.sendall(frame)
            except OSError:
                pass
        elif track.mode == "multicast":
            if not rtcp:
                try:
                    track.rtp_sock.sendto(data, track.client_addr)
                except OSError:
                    pass
        elif track.mode == "udp":
            sock = track.rtcp_sock if rtcp else track.rtp_sock
            address = (track.client_addr[0], track.client_addr[1] + (1 if rtcp else 0))
            try:
                sock.sendto(data, address)
            except OSError:
                pass

    def send_media(self):
        interval = 1.0 / ARGS.rate
        next_time = time.monotonic()
        while not self.closed.is_set():
            if not self.playing.wait(0.2):
                next_time = time.monotonic()
                continue
            for track in sorted(self.tracks.values(), key=lambda t: t.index):
                if ARGS.bye_after and track.sent >= ARGS.bye_after:
                    continue
                if ARGS.freeze_after and track.sent >= ARGS.freeze_after:
                    if track.sent == ARGS.freeze_after:
                        event(event="frozen", track=track.index)
                        track.sent += 1
                    continue
                self.deliver(track, self.rtp_packet(track))
                track.sent += 1
                if ARGS.bye_after and track.sent == ARGS.bye_after:
                    self.deliver(track, self.bye_packet(track), rtcp=True)
                    event(event="bye-sent", track=track.index, packets=track.sent)
            next_time += interval
            time.sleep(max(0.0, next_time - time.monotonic()))

    def close(self):
        self.closed.set()
        sent = {track.index: track.sent for track in self.tracks.values()}
        event(event="closed", session=self.session_id, sent=sent)
        for track in self.tracks.values():
            for sock in [track.rtp_sock, track.rtcp_sock] + track.listeners:
                if sock:
                    try:
                        sock.close()
                    except OSError:
                        pass
        try:
            self.sock.close()
        except OSError:
            pass


def main():
    global ARGS, EVENTS, SEP_KEYS
    parser = argparse.ArgumentParser(description="scripted RTSP server for tests")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--auth", default="none", choices=["none", "basic", "digest", "aes", "sep"])
    parser.add_argument("--user", default="admin")
    parser.add_argument("--password", default="admin123")
    parser.add_argument("--public", default="OPTIONS, DESCRIBE, SETUP, PLAY, PAUSE, TEARDOWN, GET_PARAMETER")
    parser.add_argument("--timeout", type=int, default=0)
    parser.add_argument("--rate", type=float, default=50.0)
    parser.add_argument("--payload", type=int, default=1000)
    parser.add_argument("--bye-after", type=int, default=0)
    parser.add_argument("--tracks", type=int, default=1)
    parser.add_argument("--no-track-control", action="store_true")
    parser.add_argument("--back-channel", action="store_true")
    parser.add_argument("--redirect-options", type=int, default=0)
    parser.add_argument("--redirect-same", action="store_true")
    parser.add_argument("--redirect-describe", type=int, default=0)
    parser.add_argument("--silent-at", default=None)
    parser.add_argument("--close-at", default=None)
    parser.add_argument("--malformed-at", default=None)
    parser.add_argument("--status-at", default=None)
    parser.add_argument("--announce-after-play", action="store_true")
    parser.add_argument("--redirect-after-play", default=None)
    parser.add_argument("--session-info", default=None)
    parser.add_argument("--multicast", default=None)
    parser.add_argument("--sep-key-bits", type=int, default=2048)
    parser.add_argument("--silent-keepalive", action="store_true")
    parser.add_argument("--expire", action="store_true")
    parser.add_argument("--close-after-redirect", action="store_true")
    parser.add_argument("--redirect-userinfo", default=None)
    parser.add_argument("--garbage-at", default=None)
    parser.add_argument("--oversized-at", default=None)
    parser.add_argument("--unsolicited", type=int, default=0)
    parser.add_argument("--unsolicited-size", type=int, default=200 * 1024)
    parser.add_argument("--digest-qop", action="store_true")
    parser.add_argument("--digest-unquoted", action="store_true")
    parser.add_argument("--digest-stale-every", type=int, default=0)
    parser.add_argument("--sep-challenge", default=None)
    parser.add_argument("--freeze-after", type=int, default=0)
    parser.add_argument("--source", default=None)
    parser.add_argument("--rtpmap", default=None)
    parser.add_argument("--events", default=None)
    ARGS = parser.parse_args()
    if ARGS.status_at:
        method, code = ARGS.status_at.split("=")
        ARGS.status_at = (method, int(code))
    EVENTS = open(ARGS.events, "a") if ARGS.events else None
    SEP_KEYS = SepKeys(ARGS.sep_key_bits) if ARGS.auth == "sep" else None

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", ARGS.port))
    listener.listen(128)
    port = listener.getsockname()[1]
    print(f"READY {port}", flush=True)
    while True:
        sock, _ = listener.accept()
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        connection = Connection(sock, port)
        event(event="connected", session=connection.session_id)
        threading.Thread(target=connection.serve, daemon=True).start()


SEP_KEYS = None
OPAQUE = "5ccc069c403ebaf9f0171e9517f40e41"
if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
