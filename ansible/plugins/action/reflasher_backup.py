# -*- coding: utf-8 -*-
# Copyright: 2026 reflasher developers
"""The controller's half of reflasher_backup: runs the module on the host,
then, with fetch_to, brings the backup's files over and checks each against
the SHA-256 the host computed."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import base64
import hashlib
import os
import tempfile

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):

    TRANSFERS_FILES = False

    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        args = dict(self._task.args)
        fetch_to = args.pop('fetch_to', None)
        result.update(self._execute_module(module_name='reflasher.enclosure.reflasher_backup',
                                           module_args=args, task_vars=task_vars))
        if fetch_to is None or result.get('failed') or self._play_context.check_mode:
            return result
        target = os.path.join(self._loader.path_dwim(os.path.expanduser(fetch_to)),
                              task_vars['inventory_hostname'])
        try:
            os.makedirs(target, exist_ok=True)
            for entry in result.get('files', []):
                self._fetch(entry, target, task_vars)
        except (AnsibleError, OSError) as error:
            result.update(failed=True, msg='The backup was made on the host but not fetched: %s' % to_text(error))
            return result
        result['fetched'] = target
        return result

    def _fetch(self, entry, target, task_vars):
        name = entry['name']
        # The names come from the managed host: none may lead out of target.
        if name != os.path.basename(name) or name in ('', '.', '..'):
            raise AnsibleError('refused a file name from the host: %r' % name)
        read = self._execute_module(module_name='ansible.builtin.slurp', module_args={'src': entry['path']},
                                    task_vars=task_vars)
        if read.get('failed'):
            raise AnsibleError('%s: %s' % (entry['path'], read.get('msg')))
        data = base64.b64decode(read['content'])
        if hashlib.sha256(data).hexdigest() != entry['sha256']:
            raise AnsibleError('%s changed while it was fetched' % entry['path'])
        # Written whole or not at all: a copy cut short never looks like one.
        handle, temporary = tempfile.mkstemp(dir=target, prefix='.' + name + '.')
        try:
            with os.fdopen(handle, 'wb') as copy:
                copy.write(data)
            os.replace(temporary, os.path.join(target, name))
        except BaseException:
            os.unlink(temporary)
            raise
