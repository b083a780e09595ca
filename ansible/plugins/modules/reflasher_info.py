#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 reflasher developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: reflasher_info
short_description: Facts about the KESTREL DVX4400DUO enclosures of a host
description:
  - Reads every supported enclosure attached to the managed host (or the one named by I(device)) with
    C(reflasher-cli info --json) and sets the fact C(reflasher_enclosures).
  - Only reads; a host without an enclosure gets an empty list, not a failure. A memory that could not be
    read has its C(read_fault), and the task warns.
version_added: 1.0.0
author: reflasher developers
options:
  device:
    description:
      - Only the enclosure on this drive (as C(reflasher-cli list) shows it) or with this serial number.
      - When given, a host without that unit fails.
    type: str
  firmware:
    description:
      - A firmware package (C(.cab) or directory) on the managed host whose images are compared with
        the units' instead of the carried ones.
    type: path
extends_documentation_fragment:
  - reflasher.enclosure.reflasher
  - ansible.builtin.action_common_attributes
  - ansible.builtin.action_common_attributes.facts
attributes:
  check_mode:
    support: full
  diff_mode:
    support: none
  facts:
    support: full
  platform:
    platforms: posix
'''

EXAMPLES = r'''
- name: Read the enclosures
  reflasher.enclosure.reflasher_info:

- name: Name the hosts that have an enclosure to update
  ansible.builtin.debug:
    msg: "{{ reflasher_enclosures | selectattr('needs_update') | map(attribute='serial') | list }}"

- name: Compare with a firmware package copied to the host
  reflasher.enclosure.reflasher_info:
    firmware: /var/tmp/kestrel-firmware.cab
'''

RETURN = r'''
ansible_facts:
  description: The facts set.
  returned: success
  type: dict
  contains:
    reflasher_enclosures:
      description: One entry per supported enclosure, in the order the program lists them.
      type: list
      elements: dict
      contains:
        drive:
          description: Its drive; null for a lone unit, which the program does not name.
          type: str
          sample: /dev/sdb
        name:
          description: The product name from its INQUIRY data.
          type: str
        serial:
          description: Its serial number, by which I(device) can name it.
          type: str
          sample: KD44D2-1311-004870
        ui_serial:
          description: The serial number of its front panel.
          type: str
        needs_update:
          description: Whether any memory holds an older version than the image compared with it.
          type: bool
        product_version:
          description: The product versions of the images (C(images)) and of the unit (C(device)).
          type: dict
          sample: {images: Ver.1.01, device: Ver.1.00}
        images:
          description: Where the images compared come from, C(origin) (test, vendor, package, file) and C(path).
          type: dict
        memories:
          description:
            - Each memory with C(memory) (flash, host, cpu, ui, resource), C(image_version), C(device_version),
              C(needs_update), C(image_origin) and C(read_fault) (null when it was read).
            - A version is null when there is none to compare or it could not be read.
          type: list
          elements: dict
'''

from ansible_collections.reflasher.enclosure.plugins.module_utils import reflasher_cli
from ansible_collections.reflasher.enclosure.plugins.module_utils.reflasher_module import (
    executable, reflasher_module, runner)


def main():
    module = reflasher_module(dict(device=dict(type='str'), firmware=dict(type='path')))
    result = reflasher_cli.facts(module.params, runner(module), executable(module))
    if result.pop('failed', False):
        module.fail_json(**result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
