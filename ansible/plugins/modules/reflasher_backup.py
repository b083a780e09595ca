#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 reflasher developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: reflasher_backup
short_description: Back up a KESTREL DVX4400DUO enclosure into a directory of the host
description:
  - Saves what can be read from one enclosure of the managed host into I(dest) with
    C(reflasher-cli backup), and optionally fetches the files to the controller.
  - The unit is only read. The program writes the manifest C(unit.json) last and only when every memory
    file is whole; a failed backup leaves none, and the task fails.
  - A whole backup of the same unit already in I(dest) is kept, and the task is not changed, unless
    I(force) is set; a backup of another unit there fails the task. Run again after an update, the task
    thus keeps the backup taken before it.
  - Check mode reads only the unit's identity, to tell whether there is one unit to back up.
version_added: 1.0.0
author: reflasher developers
options:
  dest:
    description:
      - The directory on the managed host, made when missing. An absolute path.
    type: path
    required: true
  force:
    description:
      - Back up again into a I(dest) that holds a whole backup, replacing its files.
    type: bool
    default: false
  device:
    description:
      - The enclosure on this drive (as C(reflasher-cli list) shows it) or with this serial number.
      - Without it the host must have exactly one enclosure.
    type: str
  fetch_to:
    description:
      - A directory on the controller into which the files of I(dest) are fetched after a backup, in a
        directory named after the host (C(fetch_to/INVENTORY_HOSTNAME/)), each checked against its
        SHA-256 on the managed host.
      - A relative path is taken from the playbook's directory.
    type: str
extends_documentation_fragment:
  - reflasher.enclosure.reflasher
  - ansible.builtin.action_common_attributes
attributes:
  action:
    support: full
    details: Fetching with I(fetch_to) runs on the controller.
  check_mode:
    support: full
  diff_mode:
    support: none
  platform:
    platforms: posix
'''

EXAMPLES = r'''
- name: Back up each desk's enclosure before updating it, and keep a copy on the controller
  reflasher.enclosure.reflasher_backup:
    dest: /var/backups/reflasher/{{ ansible_date_time.date }}
    fetch_to: backups

- name: A unit of a bench by its serial number
  reflasher.enclosure.reflasher_backup:
    dest: /var/backups/reflasher/KD44D2-1311-004871
    device: KD44D2-1311-004871
'''

RETURN = r'''
serial:
  description: The serial number of the unit backed up (in check mode, the one that would be).
  returned: success
  type: str
  sample: KD44D2-1311-004870
manifest:
  description: The manifest of the backup in I(dest), C(unit.json), as the program wrote it.
  returned: success, except a new backup in check mode
  type: dict
files:
  description: The files in I(dest), each with C(name), C(path), C(size) and C(sha256).
  returned: success, except a new backup in check mode
  type: list
  elements: dict
fetched:
  description: The directory on the controller that received the files.
  returned: when I(fetch_to) is given
  type: str
'''

import os

from ansible_collections.reflasher.enclosure.plugins.module_utils import reflasher_cli
from ansible_collections.reflasher.enclosure.plugins.module_utils.reflasher_module import (
    executable, reflasher_module, runner)


def read_manifest(dest):
    try:
        with open(os.path.join(dest, reflasher_cli.MANIFEST_FILE), 'rb') as manifest:
            return reflasher_cli.parse(manifest.read().decode('utf-8'))
    except (IOError, OSError, UnicodeDecodeError):
        return None


def files_in(module, dest):
    entries = sorted((entry for entry in os.scandir(dest) if entry.is_file(follow_symlinks=False)),
                     key=lambda entry: entry.name)
    return [{'name': entry.name, 'path': entry.path, 'size': entry.stat().st_size,
             'sha256': module.digest_from_file(entry.path, 'sha256')} for entry in entries]


def main():
    module = reflasher_module(dict(dest=dict(type='path', required=True), device=dict(type='str'),
                                   force=dict(type='bool', default=False), fetch_to=dict(type='str')))
    dest = module.params['dest']
    if not os.path.isabs(dest):
        module.fail_json(msg='dest must be an absolute path: %s' % dest)
    result = reflasher_cli.backup(module.params, runner(module), executable(module), module.check_mode,
                                  lambda: read_manifest(dest))
    result['dest'] = dest
    if result.pop('failed'):
        module.fail_json(**result)
    if 'manifest' in result:
        result['files'] = files_in(module, dest)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
