# -*- coding: utf-8 -*-
# Copyright: 2026 reflasher developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # The options every module of the collection takes.
    DOCUMENTATION = r'''
options:
  emulate:
    description:
      - Work on the emulated enclosures kept in this directory of the managed host instead of
        its drives, as C(reflasher-cli --emulate=DIR) does.
      - The directory must exist and hold an emulated enclosure, made with
        C(reflasher-cli emulator reset --emulate=DIR) (C(--units N) for several).
    type: path
  emulate_fault:
    description:
      - For testing only. A fault the emulated enclosure injects, as
        C(reflasher-cli --emulate-fault [UNIT:]KIND:N) takes it (KIND C(fail), C(check-condition) or
        C(power-cut) at command N; UNIT a serial number or drive).
      - Given to every run of the program the task makes; each run counts its commands from 1.
      - Needs I(emulate).
    type: str
  executable:
    description:
      - The terminal front end to run, by name on the C(PATH) or by its path.
    type: str
    default: reflasher-cli
requirements:
  - reflasher-cli (the Debian package of the same name) on the managed host
'''
