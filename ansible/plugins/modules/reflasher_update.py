#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 reflasher developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: reflasher_update
short_description: Update the firmware of KESTREL DVX4400DUO enclosures
description:
  - Updates one enclosure of the managed host, or every one with I(all), through C(reflasher-cli update),
    from the images the program carries or from a firmware package.
  - Each unit's plan (C(reflasher-cli update --plan --json)) is read first; it writes nothing. A unit is
    handed to the update only when its plan says something would be written, so a unit that is current,
    absent or would be refused is never given to a run that writes.
  - Check mode reports the plan and writes nothing, to the unit or to the host. With C(--diff) it shows
    each memory's version before and after.
  - The task is C(changed) only when something was written (or may have been, by an update that
    failed), and C(failed) with the program's message and message id when the update failed or was
    refused, for instance test images on a real unit.
version_added: 1.0.0
author: reflasher developers
options:
  device:
    description:
      - The enclosure on this drive (as C(reflasher-cli list) shows it) or with this serial number.
      - Without it the host must have exactly one enclosure; with several attached nothing is done and the
        task fails, naming them.
    type: str
  all:
    description:
      - Update every enclosure attached, each by a process of its own (C(reflasher-cli update --all)).
        Not with I(device).
      - The result lists each unit in C(units). A host without any enclosure is not a failure; test
        C(units | length) where one is expected.
    type: bool
    default: false
  firmware:
    description:
      - A firmware package (C(.cab) or directory) on the managed host to write instead of the carried
        images; copy it there first. The whole package is checked before anything is written.
    type: path
  force:
    description:
      - Write every memory even when none of the images is newer, answering Yes to the program's question
        (C(--yes)). Without it a current unit is left alone and the task is not changed.
    type: bool
    default: false
notes:
  - A unit whose update failed or was interrupted is repaired by the next update; run the task again
    once the cause (a cable, the power) is dealt with.
  - The images a default build of the program carries are test images, for emulated enclosures only; on a
    real unit the update refuses them and the task fails with the program's text.
extends_documentation_fragment:
  - reflasher.enclosure.reflasher
  - ansible.builtin.action_common_attributes
attributes:
  check_mode:
    support: full
    details: Runs the program's plan, which reads the unit and writes nothing.
  diff_mode:
    support: full
  platform:
    platforms: posix
'''

EXAMPLES = r'''
# In a play with "serial: 1" and "max_fail_percentage: 0", one host at a time
# and none after a failure.
- name: Copy the maker's firmware package, in check mode too for the plan
  ansible.builtin.copy:
    src: kestrel-firmware.cab
    dest: /var/tmp/kestrel-firmware.cab
    mode: '0644'
  check_mode: false

- name: Update the host's enclosure
  reflasher.enclosure.reflasher_update:
    firmware: /var/tmp/kestrel-firmware.cab

- name: Every unit of a service bench
  reflasher.enclosure.reflasher_update:
    all: true
    firmware: /var/tmp/kestrel-firmware.cab
  register: bench

- name: One unit by its serial number, written again though it is current
  reflasher.enclosure.reflasher_update:
    device: KD44D2-1311-004871
    force: true

- name: Try it on emulated enclosures
  reflasher.enclosure.reflasher_update:
    emulate: /var/tmp/enclosures
'''

RETURN = r'''
outcome:
  description:
    - What became of the unit, C(updated), C(current), C(failed) or C(refused) (nothing written), and in
      check mode C(would_update).
  returned: without all
  type: str
  sample: updated
message_id:
  description: The id of the program's message the update ended with; null where it gave none.
  returned: without all
  type: int
  sample: 140
message:
  description: The program's message, in the managed host's language.
  returned: without all
  type: str
  sample: Complete to update firmware.
device:
  description: The unit as named by I(device).
  returned: without all
  type: str
plan:
  description:
    - The unit's plan; null when the program could not make one (no unit, several, a package it refuses).
    - C(steps) lists the memories in the order they would be written, each with C(memory), C(from_version),
      C(to_version), C(estimated_ms) and the status texts (C(stages)); then C(other_ms), C(total_ms), the
      C(link) the times are for, and the message (C(message_id), C(message)) the update would end with.
  returned: without all
  type: dict
units:
  description:
    - With I(all), each unit with C(device) (its drive), C(serial), C(outcome), C(changed), C(message_id),
      C(message) and C(plan) (in check mode, and for a unit the update left alone).
  returned: with all
  type: list
  elements: dict
'''

from ansible_collections.reflasher.enclosure.plugins.module_utils import reflasher_cli
from ansible_collections.reflasher.enclosure.plugins.module_utils.reflasher_module import (
    executable, reflasher_module, runner)


def main():
    module = reflasher_module(dict(
        device=dict(type='str'),
        all=dict(type='bool', default=False),
        firmware=dict(type='path'),
        force=dict(type='bool', default=False),
    ), mutually_exclusive=[('device', 'all')])
    update = reflasher_cli.update_all if module.params['all'] else reflasher_cli.update_one
    result = update(module.params, runner(module), executable(module), module.check_mode)
    if not module._diff:
        result.pop('diff', None)
    if result.pop('failed'):
        module.fail_json(**result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
