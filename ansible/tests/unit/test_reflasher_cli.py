"""The modules' reading of reflasher-cli, against what the program really
answered (fixtures/, made by capture_fixtures.py). A command line that no
fixture holds is a fault: the program was never seen to accept it."""

import json
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'plugins', 'module_utils'))

import reflasher_cli  # noqa: E402
from reflasher_cli import Run  # noqa: E402

EXE = 'reflasher-cli'


def fixture(name):
    with open(os.path.join(HERE, 'fixtures', name + '.json')) as kept:
        return json.load(kept)


class Program:
    """Answers the command lines of the fixtures named; "answers" gives a
    command line another fixture's answer, for a scene the program was not
    captured in."""

    def __init__(self, *names, answers=None):
        self.answers = {tuple(fixture(name)['argv']): fixture(name) for name in names}
        for argv, name in (answers or {}).items():
            self.answers[argv] = fixture(name)
        self.calls = []

    def __call__(self, argv):
        self.calls.append(argv)
        if tuple(argv) not in self.answers:
            raise AssertionError('a command line no fixture holds: %s' % ' '.join(argv))
        answer = self.answers[tuple(argv)]
        return Run(answer['rc'], answer['stdout'], answer['stderr'])

    def ran(self, *words):
        return [argv for argv in self.calls if argv[1:1 + len(words)] == list(words)]


def params(emulate, **options):
    values = dict(device=None, all=False, firmware=None, force=False, emulate='/EMULATED/' + emulate,
                  emulate_fault=None, dest=None)
    values.update(options)
    return values


def plan_of(device, emulate='four'):
    return tuple(reflasher_cli.plan_command(EXE, params(emulate), device))


class CommandLineTest(unittest.TestCase):

    def test_values_are_never_taken_for_options_and_yes_comes_only_with_force(self):
        options = params('old', device='-x', firmware='-package.cab', emulate_fault='fail:9')
        self.assertEqual(reflasher_cli.update_command(EXE, options),
                         [EXE, 'update', '--json', '--device=-x', '--firmware=-package.cab',
                          '--emulate=/EMULATED/old', '--emulate-fault=fail:9'])
        self.assertIn('--yes', reflasher_cli.update_command(EXE, dict(options, force=True)))
        self.assertNotIn('--yes', reflasher_cli.plan_command(EXE, dict(options, force=True), None))
        self.assertEqual(reflasher_cli.backup_command(EXE, params('old', dest='/b', device='-x'))[:3],
                         [EXE, 'backup', '/b'])


class UpdateOneTest(unittest.TestCase):

    def update(self, program, check_mode=False, **options):
        return reflasher_cli.update_one(params(options.pop('emulate'), **options), program, EXE, check_mode)

    def test_check_mode_reports_the_plan_as_a_diff_and_runs_no_update(self):
        program = Program('plan-old')
        result = self.update(program, check_mode=True, emulate='old')
        self.assertEqual((result['changed'], result['failed'], result['outcome']), (True, False, 'would_update'))
        self.assertEqual(result['message_id'], 140)
        self.assertEqual(result['plan']['total_ms'], 37733)
        self.assertIn('host: C017', result['diff']['before'])
        self.assertIn('host: C018', result['diff']['after'])
        self.assertEqual(program.ran('update', '--json'), [])

    def test_an_older_unit_is_updated_a_current_one_only_when_forced(self):
        result = self.update(Program('plan-old', 'update-old'), emulate='old')
        self.assertEqual((result['changed'], result['failed'], result['outcome']), (True, False, 'updated'))
        self.assertEqual((result['message_id'], result['message']), (140, 'Complete to update firmware.'))

        program = Program('plan-current')
        result = self.update(program, emulate='current')
        self.assertEqual((result['changed'], result['failed'], result['outcome']), (False, False, 'current'))
        self.assertNotIn('diff', result)
        self.assertEqual(len(program.calls), 1)

        result = self.update(Program('plan-current', 'update-current-yes'), emulate='current', force=True)
        self.assertEqual((result['changed'], result['outcome']), (True, 'updated'))

    def test_a_failed_update_fails_the_task_with_the_programs_message(self):
        result = self.update(Program('plan-faulty', 'update-faulty'), emulate='faulty', emulate_fault='fail:900')
        # Exit status 1: something may have been written.
        self.assertEqual((result['changed'], result['failed'], result['outcome']), (True, True, 'failed'))
        self.assertEqual((result['message_id'], result['msg']), (904, 'Read error on EEPROM'))

    def test_what_the_plan_refuses_or_cannot_plan_is_never_updated(self):
        for emulate, options, said in (
                ('real', {}, 'test images'),
                ('four', {}, 'Several supported enclosures are attached'),
                ('old', {'firmware': '/EMULATED/missing.cab'}, 'missing.cab: it cannot be read')):
            for check_mode in (False, True):
                program = Program('plan-real', 'plan-four', 'plan-bad-package')
                result = self.update(program, check_mode, emulate=emulate, **options)
                self.assertEqual((result['changed'], result['failed']), (False, True), emulate)
                self.assertIn(said, result['msg'])
                self.assertEqual(program.ran('update', '--json'), [])
        self.assertEqual(result['plan'], None)

    def test_an_update_that_does_nothing_though_the_plan_would_write_fails(self):
        update = tuple(reflasher_cli.update_command(EXE, params('old')))
        result = self.update(Program('plan-old', answers={update: 'update-current'}), emulate='old')
        self.assertEqual((result['changed'], result['failed'], result['outcome']), (False, True, 'failed'))


class UpdateAllTest(unittest.TestCase):

    def update(self, program, check_mode=False, **options):
        return reflasher_cli.update_all(params('four', all=True, **options), program, EXE, check_mode)

    def test_each_unit_is_reported_and_a_failed_one_fails_the_task(self):
        result = self.update(Program('update-all-faulty'), emulate_fault='KD44D2-1311-004872:fail:900')
        self.assertEqual((result['changed'], result['failed']), (True, True))
        self.assertEqual([unit['outcome'] for unit in result['units']], ['updated', 'updated', 'failed', 'updated'])
        self.assertEqual(result['units'][2]['serial'], 'KD44D2-1311-004872')
        self.assertEqual(result['units'][2]['message_id'], 904)
        self.assertIn('emulated-enclosure-3: Read error on EEPROM', result['msg'])

    def test_a_unit_left_alone_is_current_only_when_its_plan_says_so(self):
        program = Program('update-all-repair', 'plan-four-1-current', answers={
            plan_of('emulated-enclosure-2'): 'plan-four-1-current',
            plan_of('emulated-enclosure-4'): 'plan-old',
        })
        result = self.update(program)
        self.assertEqual([unit['outcome'] for unit in result['units']], ['current', 'current', 'updated', 'failed'])
        self.assertEqual((result['changed'], result['failed']), (True, True))

    def test_no_report_while_units_are_attached_is_a_failure(self):
        result = self.update(Program('update-all-bad-package', 'list-four'), firmware='/EMULATED/missing.cab')
        self.assertTrue(result['failed'])
        self.assertIn('missing.cab: it cannot be read', result['msg'])

    def test_check_mode_plans_each_unit_and_updates_none(self):
        drives = ['emulated-enclosure'] + ['emulated-enclosure-%d' % n for n in (2, 3, 4)]
        program = Program('info-four', answers={plan_of(drive): 'plan-old' for drive in drives})
        result = self.update(program, check_mode=True)
        self.assertEqual((result['changed'], result['failed']), (True, False))
        self.assertEqual([unit['device'] for unit in result['units']], drives)
        self.assertEqual(result['units'][3]['serial'], 'KD44D2-1311-004873')
        self.assertEqual(len(result['diff']), 4)
        self.assertEqual(program.ran('update', '--all'), [])


class FactsAndBackupTest(unittest.TestCase):

    def test_each_unit_becomes_an_entry_of_the_facts(self):
        result = reflasher_cli.facts(params('four'), Program('info-four'), EXE)
        units = result['ansible_facts']['reflasher_enclosures']
        self.assertEqual([unit['drive'] for unit in units][1:], ['emulated-enclosure-2', 'emulated-enclosure-3',
                                                                 'emulated-enclosure-4'])
        self.assertEqual(units[1]['serial'], 'KD44D2-1311-004871')
        self.assertTrue(units[0]['needs_update'])

        lone = reflasher_cli.facts(params('old'), Program('info-one'), EXE)['ansible_facts']['reflasher_enclosures']
        self.assertEqual((len(lone), lone[0]['drive']), (1, None))
        cpu = [memory for memory in lone[0]['memories'] if memory['memory'] == 'cpu'][0]
        self.assertEqual((cpu['needs_update'], cpu['image_version'], cpu['device_version']), (False, None, 'C010'))

    def test_a_unit_read_in_part_is_told_with_a_warning(self):
        result = reflasher_cli.facts(params('old', emulate_fault='fail:3'), Program('info-read-fault'), EXE)
        self.assertFalse(result['failed'])
        self.assertEqual(len(result['warnings']), 1)
        flash = result['ansible_facts']['reflasher_enclosures'][0]['memories'][0]
        self.assertIsNotNone(flash['read_fault'])

    def test_a_named_unit_that_is_absent_fails(self):
        result = reflasher_cli.facts(params('old', device='NOPE'), Program('info-not-found'), EXE)
        self.assertTrue(result['failed'])
        self.assertIn('NOPE', result['msg'])

    def backup(self, program, kept=None, check_mode=False, **options):
        return reflasher_cli.backup(params(options.pop('emulate'), dest='/EMULATED/backup', **options),
                                    program, EXE, check_mode, lambda: kept)

    def test_a_backup_needs_one_unit_and_leaves_a_manifest(self):
        self.assertIn('Several enclosures', self.backup(Program('info-four'), check_mode=True, emulate='four')['msg'])
        target = self.backup(Program('info-one'), check_mode=True, emulate='old')
        self.assertEqual((target['changed'], target['failed'], target['serial']), (True, False, 'KD44D2-1311-004870'))

        result = self.backup(Program('backup-four'), emulate='four')
        self.assertEqual((result['changed'], result['failed']), (False, True))
        self.assertIn('Several supported enclosures', result['msg'])
        # Done, but without a manifest: the backup is not whole.
        self.assertTrue(reflasher_cli.backup(params('old', dest='/b'), lambda argv: Run(0, '', ''), EXE, False,
                                             lambda: None)['failed'])

    def test_a_whole_backup_in_dest_is_kept_unless_forced(self):
        same = self.backup(Program('info-one'), kept={'serial': 'KD44D2-1311-004870'}, emulate='old')
        self.assertEqual((same['changed'], same['failed']), (False, False))
        other = self.backup(Program('info-one'), kept={'serial': 'KD44D2-1311-004871'}, emulate='old')
        self.assertEqual((other['changed'], other['failed']), (False, True))
        self.assertIn('KD44D2-1311-004871', other['msg'])
        forced = self.backup(Program('backup-four'), kept={'serial': 'KD44D2-1311-004870'}, emulate='four',
                             force=True)
        self.assertTrue(forced['failed'])
        self.assertIn('Several supported enclosures', forced['msg'])


if __name__ == '__main__':
    unittest.main()
