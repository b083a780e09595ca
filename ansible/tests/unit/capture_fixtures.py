#!/usr/bin/env python3
"""Runs reflasher-cli on emulated enclosures and keeps what it answered
(argv, exit status, stdout, stderr) as the unit tests' fixtures, so that
they hold the program's real output rather than JSON typed by hand.

    capture_fixtures.py REFLASHER_CLI           write tests/unit/fixtures
    capture_fixtures.py REFLASHER_CLI --check   fail when the program's exit
                                                status or stdout differs from
                                                a kept fixture
"""

import json
import os
import subprocess
import sys
import tempfile

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'fixtures')
# The emulated enclosures' directory, as the fixtures name it.
ROOT = '/EMULATED'

# In order, as they change the enclosures: (fixture or None, arguments).
# A fixture of None is a step that sets the scene and is not kept.
STEPS = [
    (None, ['emulator', 'reset', '--emulate=@/old']),
    (None, ['emulator', 'reset', '--emulate=@/faulty']),
    (None, ['emulator', 'reset', '--emulate=@/current']),
    (None, ['update', '--yes', '--emulate=@/current']),
    (None, ['emulator', 'reset', '--as-real-unit', '--emulate=@/real']),
    (None, ['emulator', 'reset', '--units', '4', '--emulate=@/four']),
    ('info-one', ['info', '--json', '--emulate=@/old']),
    ('info-four', ['info', '--json', '--emulate=@/four']),
    ('info-read-fault', ['info', '--json', '--emulate=@/old', '--emulate-fault=fail:3']),
    ('info-not-found', ['info', '--json', '--device=NOPE', '--emulate=@/old']),
    ('list-four', ['list', '--json', '--emulate=@/four']),
    ('plan-old', ['update', '--plan', '--json', '--emulate=@/old']),
    ('plan-current', ['update', '--plan', '--json', '--emulate=@/current']),
    ('plan-real', ['update', '--plan', '--json', '--emulate=@/real']),
    ('plan-four', ['update', '--plan', '--json', '--emulate=@/four']),
    ('plan-bad-package', ['update', '--plan', '--json', '--firmware=@/missing.cab', '--emulate=@/old']),
    ('plan-faulty', ['update', '--plan', '--json', '--emulate=@/faulty', '--emulate-fault=fail:900']),
    ('update-old', ['update', '--json', '--emulate=@/old']),
    ('update-current', ['update', '--json', '--emulate=@/current']),
    ('update-current-yes', ['update', '--json', '--yes', '--emulate=@/current']),
    ('update-faulty', ['update', '--json', '--emulate=@/faulty', '--emulate-fault=fail:900']),
    ('update-all-bad-package', ['update', '--all', '--json', '--firmware=@/missing.cab', '--emulate=@/four']),
    ('update-all-faulty', ['update', '--all', '--json', '--emulate=@/four',
                           '--emulate-fault=KD44D2-1311-004872:fail:900']),
    # Three units are current now; the one that failed is repaired.
    ('update-all-repair', ['update', '--all', '--json', '--emulate=@/four']),
    ('plan-four-1-current', ['update', '--plan', '--json', '--device=emulated-enclosure', '--emulate=@/four']),
    ('backup-four', ['backup', '@/backup', '--emulate=@/four']),
]


def capture(program, directory):
    captured = {}
    for name, arguments in STEPS:
        argv = [program] + [argument.replace('@', directory) for argument in arguments]
        done = subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              env=dict(os.environ, LANG='C.UTF-8', LC_ALL='C.UTF-8'))
        if name is None:
            if done.returncode != 0:
                sys.exit('%s: exit status %d\n%s' % (' '.join(argv), done.returncode, done.stderr))
            continue
        captured[name] = {
            'argv': ['reflasher-cli'] + [argument.replace('@', ROOT) for argument in arguments],
            'rc': done.returncode,
            'stdout': done.stdout.replace(directory, ROOT),
            'stderr': done.stderr.replace(directory, ROOT),
        }
    return captured


def main():
    if len(sys.argv) not in (2, 3) or sys.argv[2:] not in ([], ['--check']):
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as directory:
        captured = capture(os.path.abspath(sys.argv[1]), directory)
    if sys.argv[2:] == ['--check']:
        stale = []
        for name, run in sorted(captured.items()):
            with open(os.path.join(FIXTURES, name + '.json')) as kept:
                fixture = json.load(kept)
            if (fixture['rc'], fixture['stdout']) != (run['rc'], run['stdout']):
                stale.append(name)
        if stale:
            sys.exit('The program now answers otherwise than these fixtures (run %s %s): %s'
                     % (sys.argv[0], sys.argv[1], ', '.join(stale)))
        print('%d fixtures hold what the program answers' % len(captured))
        return
    os.makedirs(FIXTURES, exist_ok=True)
    for name, run in captured.items():
        with open(os.path.join(FIXTURES, name + '.json'), 'w') as fixture:
            json.dump(run, fixture, indent=1, sort_keys=True)
            fixture.write('\n')
    print('%d fixtures written to %s' % (len(captured), FIXTURES))


if __name__ == '__main__':
    main()
