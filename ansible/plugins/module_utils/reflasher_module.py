# -*- coding: utf-8 -*-
# Copyright: 2026 reflasher developers
"""What every module of the collection shares on the managed host: the
common options, finding reflasher-cli, and running it."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os
import subprocess

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.reflasher.enclosure.plugins.module_utils.reflasher_cli import Run

COMMON_OPTIONS = dict(
    emulate=dict(type='path'),
    emulate_fault=dict(type='str'),
    executable=dict(type='str', default='reflasher-cli'),
)


def reflasher_module(options, **kwargs):
    """The module with the common options; check mode is always supported,
    the program's plan being written for it."""
    module = AnsibleModule(argument_spec=dict(COMMON_OPTIONS, **options),
                           required_by={'emulate_fault': 'emulate'},
                           supports_check_mode=True, **kwargs)
    emulate = module.params['emulate']
    # The program would make a fresh emulated enclosure in a directory that
    # holds none, which in check mode would change the host.
    if emulate is not None and not os.path.isdir(emulate):
        module.fail_json(msg='emulate: %s is not a directory; make an emulated enclosure there first with '
                             '"reflasher-cli emulator reset --emulate=%s"' % (emulate, emulate))
    return module


def executable(module):
    name = module.params['executable']
    path = name if os.sep in name else module.get_bin_path(name)
    if not path or not os.access(path, os.X_OK):
        module.fail_json(msg='%s is not installed on this host (the Debian package reflasher-cli holds it)' % name)
    return path


def runner(module):
    """Runs the program as given, never through a shell. Its input is
    /dev/null, never the terminal an ssh connection may give the module: a
    question the program asks is then answered No at once instead of waiting
    for a person. (A pipe fed by run_command would race the program's exit:
    writing into it after the program ended fails the task.)"""
    def run(argv):
        module.debug('running %s' % ' '.join(argv))
        done = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return Run(done.returncode, done.stdout.decode('utf-8', 'replace'), done.stderr.decode('utf-8', 'replace'))
    return run
