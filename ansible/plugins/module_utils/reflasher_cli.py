# -*- coding: utf-8 -*-
# Copyright: 2026 reflasher developers
"""Everything the modules know of reflasher-cli: how their command lines are
made, which keys its JSON has, what its exit statuses mean, and how one
task's runs of it add up to an Ansible result.

The modules decide nothing about firmware: the program reads the unit,
plans, refuses and writes; these functions only call it and hand on what it
answers. When the program's output changes, this file is the one to follow
it. It imports nothing of Ansible, so that it is tested with plain unittest.
"""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import collections
import json

# Exit statuses: 0 done, 1 a failure was reported (something may have been
# written), 2 nothing was done.
EXIT_DONE = 0
EXIT_FAILED = 1
EXIT_NOTHING = 2

# The messages an update ends with when it wrote what was selected, and the
# question it asks first when no carried image is newer than the unit's.
MESSAGES_UPDATED = frozenset((140, 155))
MESSAGE_NOTHING_NEWER = 153
# The errors that mean no unit is attached (or none by the name given).
MESSAGES_NOT_FOUND = frozenset((2012, 2082))

# The manifest a backup writes last, and only when every file is whole.
MANIFEST_FILE = 'unit.json'

# One run of the program: its exit status and what it printed.
Run = collections.namedtuple('Run', 'rc stdout stderr')


# --- Command lines --------------------------------------------------------
#
# Every value goes as --name=value, so that a drive, serial or path that
# begins with "-" is never taken for an option.

def _unit_options(params, device):
    options = []
    if device:
        options.append('--device=' + device)
    if params.get('firmware'):
        options.append('--firmware=' + params['firmware'])
    return options + _emulation_options(params)


def _emulation_options(params):
    options = []
    if params.get('emulate'):
        options.append('--emulate=' + params['emulate'])
    if params.get('emulate_fault'):
        options.append('--emulate-fault=' + params['emulate_fault'])
    return options


def list_command(executable, params):
    return [executable, 'list', '--json'] + _emulation_options(params)


def info_command(executable, params):
    return [executable, 'info', '--json'] + _unit_options(params, params.get('device'))


def plan_command(executable, params, device):
    return [executable, 'update', '--plan', '--json'] + _unit_options(params, device)


def update_command(executable, params):
    yes = ['--yes'] if params.get('force') else []
    return [executable, 'update', '--json'] + yes + _unit_options(params, params.get('device'))


def update_all_command(executable, params):
    yes = ['--yes'] if params.get('force') else []
    return [executable, 'update', '--all', '--json'] + yes + _unit_options(params, None)


def backup_command(executable, params):
    # The directory comes right after "backup": there a path that begins
    # with "/" is the directory, not one of the updater's own options.
    return [executable, 'backup', params['dest']] + _emulation_options(params) + (
        ['--device=' + params['device']] if params.get('device') else [])


# --- The program's JSON ---------------------------------------------------

def parse(stdout):
    """The JSON document the program printed, or None."""
    try:
        document = json.loads(stdout)
    except ValueError:
        return None
    return document if isinstance(document, dict) else None


def enclosures(document):
    """The units of an "info --json" document, each as the facts hold it;
    None when the document is not one. The program names a lone unit's drive
    only when several are attached; here it is then None."""
    if document is None:
        return None
    if 'error' in document:
        error = document['error'] or {}
        if error.get('message_id') not in MESSAGES_NOT_FOUND:
            return None
        units = []
    elif 'devices' in document:
        units = document['devices']
    elif document.get('device') is None:
        units = []
    else:
        units = [document]
    found = []
    for unit in units:
        device = unit.get('device') or {}
        memories = [{
            'memory': memory.get('memory'),
            'image_version': memory.get('image_version'),
            'device_version': memory.get('device_version'),
            'device_state': memory.get('device_state'),
            'needs_update': bool(memory.get('update')),
            'image_origin': memory.get('image_origin'),
            'read_fault': memory.get('read_fault'),
        } for memory in unit.get('memories') or []]
        found.append({
            'drive': unit.get('drive'),
            'name': device.get('name'),
            'serial': device.get('serial'),
            'ui_serial': device.get('ui_serial'),
            'product_version': unit.get('product_version'),
            'images': unit.get('images'),
            'memories': memories,
            'needs_update': any(memory['needs_update'] for memory in memories),
        })
    return found


def supported_drives(document):
    """The drives "list --json" names as supported enclosures."""
    return [drive.get('name') for drive in (document or {}).get('drives', []) if drive.get('supported')]


def plan_of(document):
    """An "update --plan --json" document as the modules report it, or None."""
    if document is None or 'steps' not in document:
        return None
    return {
        'steps': [{
            'memory': step.get('memory'),
            'from_version': step.get('from_version'),
            'to_version': step.get('to_version'),
            'estimated_ms': step.get('estimated_ms'),
            'stages': step.get('stage_texts', []),
        } for step in document['steps']],
        'other_ms': document.get('other_ms'),
        'total_ms': document.get('total_ms'),
        'link': document.get('link'),
        'message_id': document.get('message_id'),
        'message': document.get('message'),
    }


def _message(document):
    document = document or {}
    return document.get('message_id'), document.get('message')


def _said(run):
    """What a run told people, for a failure its JSON does not describe."""
    return run.stderr.strip() or run.stdout.strip() or 'reflasher-cli ended with exit status %d' % run.rc


# --- Outcomes -------------------------------------------------------------
#
# One unit's outcome is one of: updated, current, failed, refused, and in
# check mode would_update. Each comes with the program's message id and
# message where it gave them.

def _planned(run, force):
    """The outcome an update would have, told by its plan."""
    plan = plan_of(parse(run.stdout))
    outcome = {'plan': plan, 'message_id': None, 'message': None}
    if plan is not None:
        outcome['message_id'], outcome['message'] = plan['message_id'], plan['message']
    if run.rc != EXIT_DONE or plan is None:
        outcome['outcome'] = 'refused' if plan is not None else 'failed'
        if outcome['message'] is None:
            outcome['message'] = _said(run)
    elif plan['message_id'] in MESSAGES_UPDATED or (force and plan['message_id'] == MESSAGE_NOTHING_NEWER):
        outcome['outcome'] = 'would_update'
    elif plan['message_id'] == MESSAGE_NOTHING_NEWER:
        outcome['outcome'] = 'current'
    else:
        # The plan foresees the update ending in a failure: it is not tried.
        outcome['outcome'] = 'failed'
    return outcome


def _updated(run):
    """The outcome of "update --json" on one unit, and whether it may have
    written: a run that reports a failure may have, one that did nothing
    or refused has not."""
    document = parse(run.stdout) or {}
    message_id, message = _message(document)
    if run.rc == EXIT_DONE and document.get('result') == 'success':
        outcome = 'updated'
    elif run.rc == EXIT_NOTHING and document.get('result') == 'refused':
        outcome = 'refused'
    else:
        # A failure; or nothing done though the plan said there was work to
        # do: the unit went away, or another run changed it meanwhile.
        outcome = 'failed'
    if outcome != 'updated' and not message:
        message = _said(run)
    return {'outcome': outcome, 'message_id': message_id or None, 'message': message,
            'wrote': outcome == 'updated' or run.rc not in (EXIT_DONE, EXIT_NOTHING)}


def diff_of(plan, header):
    """Each memory the plan would write, with its version before and after."""
    steps = (plan or {}).get('steps', [])
    return {
        'before_header': header,
        'after_header': header,
        'before': ''.join('%s: %s\n' % (step['memory'], step['from_version']) for step in steps),
        'after': ''.join('%s: %s\n' % (step['memory'], step['to_version']) for step in steps),
    }


FAILING = ('failed', 'refused')


def _summary(unit):
    if unit['outcome'] == 'would_update':
        plan = unit['plan']
        writes = ', '.join('%s %s -> %s' % (step['memory'], step['from_version'], step['to_version'])
                           for step in plan['steps'])
        return 'Would write %s in about %.1f s, then: %s' % (
            writes, (plan['total_ms'] or 0) / 1000.0, plan['message'])
    if unit['outcome'] == 'current':
        return 'Up to date: no image is newer than the unit\'s; nothing was written.'
    return unit['message'] or ''


def _unit(params, run, executable, check_mode, device):
    """One unit: the plan first, which writes nothing; the update only where
    the plan says it would write, so that a unit that is current, absent or
    refused is never handed to a run that writes."""
    unit = _planned(run(plan_command(executable, params, device)), params.get('force'))
    unit['wrote'] = False
    if unit['outcome'] == 'would_update' and not check_mode:
        unit.update(_updated(run(update_command(executable, dict(params, device=device)))))
    unit['changed'] = unit['wrote'] or unit['outcome'] == 'would_update'
    return unit


def update_one(params, run, executable, check_mode):
    """reflasher_update on the one unit named, or the only one attached."""
    device = params.get('device')
    unit = _unit(params, run, executable, check_mode, device)
    result = {
        'changed': unit['changed'],
        'failed': unit['outcome'] in FAILING,
        'msg': _summary(unit),
        'device': device,
        'outcome': unit['outcome'],
        'message_id': unit['message_id'],
        'message': unit['message'],
        'plan': unit['plan'],
    }
    if unit['plan'] is not None and unit['changed']:
        result['diff'] = diff_of(unit['plan'], device or 'enclosure')
    return result


def update_all(params, run, executable, check_mode):
    """reflasher_update with all: every unit attached. A real run is one
    "update --all", whose units the program updates at once; a unit it left
    alone is then asked for its plan, so that only a current one is called
    so. Check mode asks each unit for its plan."""
    if check_mode:
        listing = run(info_command(executable, dict(params, device=None)))
        found = enclosures(parse(listing.stdout))
        if found is None or listing.rc not in (EXIT_DONE, EXIT_NOTHING):
            return _all_failed(listing)
        units = []
        for enclosure in found:
            # A lone unit is not named by its drive; it needs no name.
            unit = _unit(params, run, executable, True, enclosure['drive'])
            units.append(dict(unit, device=enclosure['drive'], serial=enclosure['serial']))
    else:
        batch = run(update_all_command(executable, params))
        reported = (parse(batch.stdout) or {}).get('units')
        if reported is None:
            return _all_failed(batch)
        units = []
        for entry in reported:
            unit = {'device': entry.get('drive'), 'serial': entry.get('serial'), 'plan': None,
                    'message_id': entry.get('message_id'), 'message': entry.get('message')}
            result = entry.get('result')
            if result == 'success':
                unit.update(outcome='updated', changed=True)
            elif result == 'refused':
                unit.update(outcome='refused', changed=False)
            elif result == 'nothing':
                # The program says nothing was done; only the unit's plan
                # tells whether that is because it is current.
                planned = _planned(run(plan_command(executable, params, unit['device'])), False)
                if planned['outcome'] == 'would_update':
                    planned.update(outcome='failed',
                                   message="Nothing was done, though the unit's plan would write to it.")
                unit.update(planned, changed=False)
            else:
                unit.update(outcome='failed', changed=True)
            units.append(unit)
        if not units and batch.rc != EXIT_DONE:
            # No unit reported: none attached is fine, anything else (a
            # package that cannot be used, say) is a failure.
            if supported_drives(parse(run(list_command(executable, params)).stdout)):
                return _all_failed(batch)
    shown = [{
        'device': unit['device'],
        'serial': unit.get('serial'),
        'outcome': unit['outcome'],
        'changed': unit['changed'],
        'message_id': unit['message_id'],
        'message': unit['message'],
        'plan': unit['plan'],
    } for unit in units]
    failing = [unit for unit in units if unit['outcome'] in FAILING]
    counts = collections.Counter(unit['outcome'] for unit in units)
    msg = '%d enclosure(s): %s' % (len(units), ', '.join(
        '%d %s' % (counts[outcome], outcome) for outcome in sorted(counts)) or 'none attached')
    if failing:
        msg += '. ' + '; '.join('%s: %s' % (unit['device'], unit['message']) for unit in failing)
    result = {
        'changed': any(unit['changed'] for unit in units),
        'failed': bool(failing),
        'msg': msg,
        'units': shown,
    }
    diffs = [diff_of(unit['plan'], unit['device']) for unit in units if unit['plan'] and unit['changed']]
    if diffs:
        result['diff'] = diffs
    return result


def _all_failed(run):
    return {'changed': run.rc == EXIT_FAILED, 'failed': True, 'msg': _said(run), 'units': []}


def facts(params, run, executable):
    """reflasher_info: the units attached, none being no failure unless one
    was named. A unit the program could not read whole is still told, with
    each memory's read fault, and a warning."""
    listed = run(info_command(executable, params))
    found = enclosures(parse(listed.stdout))
    if found is None or listed.rc not in (EXIT_DONE, EXIT_FAILED, EXIT_NOTHING) or (
            params.get('device') and not found):
        return {'changed': False, 'failed': True, 'msg': _said(listed)}
    result = {'changed': False, 'failed': False, 'ansible_facts': {'reflasher_enclosures': found},
              'msg': '%d enclosure(s)' % len(found)}
    if listed.rc == EXIT_FAILED:
        result['warnings'] = ['reflasher-cli could not read everything (see read_fault): ' + _said(listed)]
    return result


def _backup_unit(params, run, executable):
    """The one unit a backup would read, or the failure it would meet."""
    listed = run(info_command(executable, params))
    found = enclosures(parse(listed.stdout)) or []
    if len(found) == 1 and listed.rc == EXIT_DONE:
        return {'changed': True, 'failed': False, 'serial': found[0]['serial'],
                'msg': 'Would back up %s into %s' % (found[0]['serial'], params['dest'])}
    if len(found) > 1:
        return {'changed': False, 'failed': True,
                'msg': 'Several enclosures are attached: name one with device (drive or serial).'}
    return {'changed': False, 'failed': True, 'msg': _said(listed)}


def backup(params, run, executable, check_mode, manifest_in_dest):
    """reflasher_backup. A whole backup already in dest is kept unless
    force says otherwise: run again after an update, the task would replace
    the backup taken before it with the unit as updated. manifest_in_dest()
    reads the manifest dest holds, None when it holds none."""
    kept = manifest_in_dest()
    if kept is not None and not params.get('force'):
        unit = _backup_unit(params, run, executable)
        if unit['failed']:
            return unit
        if kept.get('serial') != unit['serial']:
            return {'changed': False, 'failed': True,
                    'msg': '%s holds the backup of another unit, %s, not of %s: give this one a directory of its own'
                           % (params['dest'], kept.get('serial'), unit['serial'])}
        return {'changed': False, 'failed': False, 'serial': unit['serial'], 'manifest': kept,
                'msg': '%s holds a backup of %s already' % (params['dest'], unit['serial'])}
    if check_mode:
        return _backup_unit(params, run, executable)
    done = run(backup_command(executable, params))
    # A failed backup never leaves a manifest; one left by an earlier backup
    # was removed before the first file was replaced.
    manifest = manifest_in_dest() if done.rc == EXIT_DONE else None
    if manifest is not None:
        return {'changed': True, 'failed': False, 'serial': manifest.get('serial'),
                'manifest': manifest, 'msg': 'Backed up %s' % manifest.get('serial')}
    return {'changed': done.rc == EXIT_FAILED, 'failed': True, 'msg': _said(done)}
