#!/usr/bin/env python3
"""Fails when a file includes a header of a higher layer.

Client folders stack core < data < device < dialogs < search < monitor: a
folder may include its own headers and those of the folders below it.
The RTSP library's folders point api -> rtsp -> rtp -> common, rtsp -> auth ->
common, rtp -> rtpcore; its public header api/Pellmar.h is the contract every
folder may include, and it includes nothing of ours.

Usage: check_layers.py <source-root>    checks the tree
       check_layers.py --self-test      checks the checker on made-up trees
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE = re.compile(r'\.(h|hpp|cpp|c)$')

CLIENT_ORDER = ['core', 'data', 'device', 'dialogs', 'search', 'monitor']
CLIENT_ALLOWED = {f: set(CLIENT_ORDER[:i + 1]) for i, f in enumerate(CLIENT_ORDER)}

RTSP_ALLOWED = {
    'common': {'common'},
    'rtpcore': {'rtpcore'},
    'auth': {'auth', 'common'},
    'rtp': {'rtp', 'rtpcore', 'common'},
    'rtsp': {'rtsp', 'rtp', 'rtpcore', 'auth', 'common'},
    'api': {'api', 'rtsp', 'rtp', 'rtpcore', 'auth', 'common'},
}
RTSP_CONTRACT = os.path.join('api', 'Pellmar.h')


def rtsp_layer(relative):
    """The layer of a path below rtspclient/, or None."""
    parts = relative.split(os.sep)
    if parts[:2] == ['rtp', 'rtpcore']:
        return 'rtpcore'
    return parts[0] if parts[0] in RTSP_ALLOWED else None


def resolve(root, including_dir, name, search_dirs):
    """The file an include names: next to the includer first, then the search folders."""
    for folder in [including_dir] + search_dirs:
        candidate = os.path.normpath(os.path.join(folder, name))
        if os.path.isfile(candidate):
            return os.path.relpath(candidate, root)
    return None


def included(path):
    with open(path, encoding='utf-8', errors='replace') as f:
        return INCLUDE.findall(f.read())


def sources(root):
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if SOURCE.search(name):
                yield os.path.join(folder, name)


def check_client(root):
    base = os.path.join(root, 'client')
    faults = []
    for path in sources(base):
        layer = os.path.relpath(path, base).split(os.sep)[0]
        if layer not in CLIENT_ALLOWED:
            continue
        for name in included(path):
            target = resolve(base, os.path.dirname(path), name, [base])
            if target is None:
                continue
            target_layer = target.split(os.sep)[0]
            if target_layer in CLIENT_ALLOWED and target_layer not in CLIENT_ALLOWED[layer]:
                faults.append('%s includes %s, a higher layer' % (os.path.relpath(path, root), name))
    return faults


def check_rtspclient(root):
    base = os.path.join(root, 'rtspclient')
    search = [base, os.path.join(base, 'api'), os.path.join(base, 'rtp')]
    faults = []
    for path in sources(base):
        relative = os.path.relpath(path, base)
        layer = rtsp_layer(relative)
        if layer is None:
            continue
        for name in included(path):
            target = resolve(base, os.path.dirname(path), name, search)
            if target is None:
                continue
            where = os.path.relpath(path, root)
            if relative == RTSP_CONTRACT:
                faults.append('%s includes %s: the public header must stand alone' % (where, name))
            elif target != RTSP_CONTRACT and rtsp_layer(target) not in RTSP_ALLOWED[layer]:
                faults.append('%s includes %s, a higher layer' % (where, name))
    return faults


def check(root):
    return check_client(root) + check_rtspclient(root)


def write(root, relative, text):
    path = os.path.join(root, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w', encoding='utf-8') as f:
        f.write(text)


def self_test():
    """Each case: the files of a made-up tree and the number of faults expected."""
    cases = [
        ({'client/core/A.h': '', 'client/data/B.h': '#include "core/A.h"\n'}, 0),
        ({'client/core/A.h': '#include "data/B.h"\n', 'client/data/B.h': ''}, 1),
        ({'client/dialogs/D.cpp': '#include "monitor/M.h"\n', 'client/monitor/M.h': ''}, 1),
        ({'client/monitor/M.cpp': '#include "Pellmar.h"\n#include "ui_M.h"\n'}, 0),
        ({'rtspclient/rtsp/S.cpp': '#include "rtp/T.h"\n', 'rtspclient/rtp/T.h': ''}, 0),
        ({'rtspclient/rtp/T.cpp': '#include "rtsp/S.h"\n', 'rtspclient/rtsp/S.h': ''}, 1),
        ({'rtspclient/auth/A.cpp': '#include "rtsp/S.h"\n', 'rtspclient/rtsp/S.h': ''}, 1),
        ({'rtspclient/rtp/T.h': '#include "api/Pellmar.h"\n', 'rtspclient/api/Pellmar.h': ''}, 0),
        ({'rtspclient/api/Pellmar.h': '#include "../rtp/T.h"\n', 'rtspclient/rtp/T.h': ''}, 1),
        ({'rtspclient/common/C.h': '#include "singleton.h"\n', 'rtspclient/api/singleton.h': ''}, 1),
    ]
    failed = 0
    for number, (files, expected) in enumerate(cases):
        with tempfile.TemporaryDirectory() as root:
            for relative, text in files.items():
                write(root, relative, text)
            faults = check(root)
            if len(faults) != expected:
                failed += 1
                print('case %d: %d faults, expected %d: %s' % (number, len(faults), expected, faults))
    return failed


def main():
    if sys.argv[1:] == ['--self-test']:
        return 1 if self_test() else 0
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    faults = check(sys.argv[1])
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
