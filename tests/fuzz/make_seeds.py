#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into tests/fuzz/corpus/. The seeds
are committed; run this again only to change them. Small real assets are
taken from a built archive (our own, made by zentrix-assets).
Usage: make_seeds.py BUILD_DIR"""
import gzip
import hashlib
import os
import struct
import sys

here = os.path.dirname(os.path.abspath(__file__))
corpus = os.path.join(here, "corpus")


def write(target, name, data):
    folder = os.path.join(corpus, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin1")
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def read_archive(path):
    data = gzip.open(path).read()
    at = 4 + struct.unpack_from("<i", data, 0)[0]
    count = struct.unpack_from("<i", data, at)[0]
    at += 4
    assets = {}
    for _ in range(count):
        length = struct.unpack_from("<i", data, at)[0]
        name = data[at + 4:at + 4 + length].decode("latin1")
        offset, size = struct.unpack_from("<ii", data, at + 4 + length)
        at += 12 + length
        assets[name] = data[offset:offset + size]
    return assets


def archive(entries, header=b"seed"):
    index = struct.pack("<i", len(header)) + header + struct.pack("<i", len(entries))
    index_size = len(index) + sum(12 + len(name) for name, _ in entries)
    body, offset = b"", index_size
    for name, data in entries:
        index += struct.pack("<i", len(name)) + name.encode("latin1")
        index += struct.pack("<ii", offset, len(data))
        body += data
        offset += len(data)
    return index + body


def tga(width, height, depth, image_type=2, id_text=b""):
    header = struct.pack("<BBBHHBHHHHBB", len(id_text), 0, image_type, 0, 0, 0, 0, 0, width,
                         height, depth, 0)
    pixels = bytes((i * 37) % 256 for i in range(width * height * depth // 8))
    return header + id_text + pixels


def level(centres):
    out = struct.pack("<i", len(centres))
    for c in centres:
        out += struct.pack("<fff", *c)
    return out


def main():
    assets = read_archive(os.path.join(sys.argv[1], "data", "assets.ass"))
    cube, level1 = assets["meshes\\cube.mbm"], assets["levels\\1.blvl"]
    tick, pixel = assets["sounds\\tick.ogg"], assets["textures\\small\\wpixel.tga"]

    two = archive([("a", b"\x01"), ("b", b"xy")], b"h")
    write("archive_index", "two_entries", two)
    write("archive_index", "two_entries.gz", gzip.compress(two, mtime=0))
    whole = archive([("meshes\\cube.mbm", cube), ("levels\\1.blvl", level1),
                     ("sounds\\tick.ogg", tick), ("textures\\wpixel.tga", pixel)])
    write("archive", "one_of_each", whole)
    write("archive", "one_of_each.gz", gzip.compress(whole, mtime=0))

    write("tga", "white_pixel", b"\x00" + pixel)
    write("tga", "rgb_4x3", b"\x01" + tga(4, 3, 24))
    write("tga", "rgba_8x8_with_id", b"\x00" + tga(8, 8, 32, id_text=b"zentrix"))
    write("tga", "run_length", b"\x00" + tga(2, 2, 24, image_type=10))

    write("mesh", "cube", cube)
    counts, indices = [1, 1, 3, 3], [0, 1, 2, 0, 1, 2]
    positions, uvs = [0, 0, 0, 32, 0, 0, 0, 32, 0], [0, 0, 1, 0, 0, 1]
    write("mesh", "one_triangle", struct.pack("<25f", *(counts + indices + positions + uvs)))
    for mode in range(6):
        write("level", "level1_mode%d" % (mode + 1), bytes([mode]) + level1)
    write("level", "three_blocks", b"\x00" + level([(0, 0, 0), (32, 0, 0), (0, 32, 0)]))

    write("ogg", "tick", tick)
    write("ogg", "clockbeep", assets["sounds\\clockbeep.ogg"])

    settings = ("ScreenWidth=1920\nScreenHeight=1080\nAAlevel=0\nVSync=1\nVisualQuality=1\n"
                "MotionBlur=0\nMouseFlip=0\nFullscreen=1\nBuffer=0\nMusicVol=10\nSoundVol=7.5\n"
                "TuteControl=1\nTuteCombo=0\nTuteComboNow=0\nTuteColor=0\nTuteZent=0\nTutePup=0\n"
                "TuteRush=0\nTuteSurvival=0\nTuteMeditation=0\nColorblind=0\nUsername=player\n"
                "Password=" + "QUJD" * 43 + "\n")
    write("settings", "full", settings)
    write("settings", "crlf_bom_nul", "\xef\xbb\xbfUsername=0\r\nVSync=0\x00junk\r\nbroken line\r\n")

    write("password", "sealed_secret", b"\x01secret")
    write("password", "random_block", b"\x00" + b"QUJD" * 43)
    write("password", "empty_name_marker", b"\x000")

    md5 = hashlib.md5(b"secret").hexdigest()
    replies = {
        "login_success": (0, "success 1 0123456789abcdef0123456789abcdef " + "QUJD" * 43 + " 0 1"),
        "login_fail": (0, "fail"),
        "login_update": (0, "update patch/zentrix-1.0.1.bin 4096 " + md5 + " 0"),
        "login_update_exe": (0, "update_exe patch/zx_update 1 " + md5),
        "highscore": (1, "1200 1500 300 17"),
        "score": (2, "3 2 1520 1540 4 7"),
        "patch": (3, "#!/bin/sh\nexit 0\n"),
        "cheeve": (4, "success"),
        "sync_cheeves": (5, "brisko betatester chainreaction"),
        "news": (6, "Season two starts on Friday.\nNew levels!"),
        "ranking": (7, "0 ROWS 2\r\nplayer 1520 1\r\nother 1400 2\r\n"),
        "which_server": (8, "http://127.0.0.1:8080/secure.php?data="),
        "checkname": (9, "available"),
        "register": (10, "success " + "QUJD" * 43),
    }
    for name, (kind, text) in replies.items():
        write("replies", name, bytes([kind, 0]) + text.encode())
    write("replies", "news_failed", bytes([6, 7]) + b"")

    fields = ("gamemode=2&level=1&score=100&time=60&apm=5&controls=0&drops=1&rotates=2"
              "&pup1earned=0&pup2earned=0&pup3earned=0&pup1used=0&pup2used=0&pup3used=0&kills=4")
    account = "&sessionhash=20240101000000" + md5 + "&userid=1&passwordHash=" + md5
    login = ("login.php?version=rc2&build=direct&platform=&username=fuzzplayer&password=secret"
             "&glversion=4.5&videocard=llvmpipe&manufacturer=Mesa&res=1280x720"
             "&gameversion=Version 1.0.0.0&os=Debian&ram=24105&cpu=AMD&mac=00-11-22-33-44-55")
    endpoint_seeds = {
        "account": ["checkname.php?username=newplayer",
                    "reg.php?beta=1&username=newplayer&passwordHash=" + md5 +
                    "&password=secret&email=new@example.org", login,
                    "logout.php?beta2=1&userid=1&playhash=0123456789abcdef"],
        "play": ["highscore.php?gamemode=2&level=1&username=fuzzplayer&userid=1",
                 "death.php?" + fields.replace("time=60", "time=12.5") + account,
                 "score.php?" + fields + "&performance=4" + account,
                 "world_ranking_staggered.php?gamemode=2&offset=0"],
        "achievements": ["client_cheeve.php?userid=1&passwordHash=" + md5 + "&cheeve=brisko",
                         "sync_cheeves.php?userid=1&passwordHash=" + md5],
        "site": ["which_server.php", "news.php"],
    }
    for name, lines in endpoint_seeds.items():
        write("endpoints", name, b"\x01" + "\n".join(lines).encode())


main()
