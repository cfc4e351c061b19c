# SPDX-License-Identifier: MIT
# Tests of the callgrind reader, the fits and the budget verdicts of report.py.
import contextlib
import io
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import callgrind  # noqa: E402
import report  # noqa: E402

PROFILE = """# callgrind format
version: 1
desc: Trigger: Client Request: measured
positions: line
events: Ir
summary: 1000

ob=(1) /b/Linkory.dll
fl=(1) ???
fn=(10) CBasicWnd::StaticWindowProc(HWND__*)
0 40
cob=(2) /b/libcoredll.so
cfn=(20) EnterCriticalSection
calls=5 0
0 300
cob=(3) /usr/lib/libc.so.6
cfn=(30) memset
calls=1 0
0 60
cfn=(10)
calls=2 0
0 100

fn=(11) Outer
cfn=(10)
calls=3 0
0 600
ob=(2)
fn=(20)
0 300
"""


class CallgrindReaderTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.path = os.path.join(self.dir.name, 'poll.out.1')
        with open(self.path, 'w') as f:
            f.write(PROFILE)

    def test_self_costs_arcs_and_compressed_names(self):
        p = callgrind.read(self.path)
        self.assertEqual(p.total, 1000)
        # Only lines that do not follow "calls=" are self cost; names resolve by number.
        self.assertEqual(p.self_in(report.is_plugin), 40)
        self.assertEqual(p.self_cost[('/b/libcoredll.so', 'EnterCriticalSection')], 300)
        self.assertEqual(p.calls_out(report.is_plugin, report.is_platform), 300)
        self.assertEqual(p.calls_out(report.is_plugin, report.is_runtime), 60)
        # A call without cob= stays in the caller's object.
        self.assertEqual(p.arc_cost[(('/b/Linkory.dll', 'Outer'), ('/b/Linkory.dll',
                                                                     'CBasicWnd::StaticWindowProc(HWND__*)'))], 600)

    def test_inclusive_counts_recursion_once(self):
        cost, calls = callgrind.read(self.path).inclusive('CBasicWnd::StaticWindowProc')
        self.assertEqual((cost, calls), (600, 3))

    def test_measured_part_is_the_dump_with_that_reason(self):
        other = os.path.join(self.dir.name, 'poll.out.2')
        with open(other, 'w') as f:
            f.write(PROFILE.replace('measured', 'exit'))
        self.assertEqual(callgrind.measured_part(os.path.join(self.dir.name, 'poll.out')), self.path)
        self.assertIsNone(callgrind.measured_part(os.path.join(self.dir.name, 'paint.out')))


class FitTest(unittest.TestCase):
    def test_exact_plane_is_recovered(self):
        rows = [[1, d, c] for d, c in report.SHAPES]
        values = [50 + 7 * d + 3 * c for d, c in report.SHAPES]
        coef = report.solve(rows, values)
        for got, want in zip(coef, (50, 7, 3)):
            self.assertAlmostEqual(got, want, places=6)
        self.assertAlmostEqual(report.worst_residual(rows, values, coef), 0, places=9)

    def test_quadratic_data_is_far_from_linear(self):
        rows = [[1, d, c] for d, c in report.SHAPES]
        values = [100 + d * d for d, _ in report.SHAPES]
        self.assertGreater(report.worst_residual(rows, values, report.solve(rows, values)), 0.10)

    def test_poll_model_budget(self):
        # The committed model passes; a doubled D^2 term, a dearer step per destination or
        # connection, or a shape the model cannot explain fails.
        a, b, c, q = report.POLL_MODEL
        cases = [
            ('committed', lambda d, n: a + b * d + c * n + q * d * d, True),
            ('just inside the slack throughout', lambda d, n: 1.24 * (a + b * d + c * n + q * d * d), True),
            ('doubled D^2', lambda d, n: a + b * d + c * n + 2 * q * d * d, False),
            ('destination step past the slack', lambda d, n: a + 1.3 * b * d + c * n + q * d * d, False),
            ('connection step past the slack', lambda d, n: a + b * d + 2 * c * n + q * d * d, False),
            ('cubic in C', lambda d, n: a + b * d + c * n + q * d * d + 0.5 * n ** 3, False),
        ]
        for name, cost, ok in cases:
            with self.subTest(name):
                got, _, detail = report.poll_model_budget([(d, n, cost(d, n)) for d, n in report.SHAPES])
                self.assertEqual(got, ok, detail)


def counters(**overrides):
    base = dict(allocs=0, reallocs=0, frees=0, heap_growth=0, record_allocs=0, status_new=0, status_resized=0,
                cm_queries=0, cm_enums=0, fonts_new=0, fonts_del=0, gdi_growth=0, dc_growth=0, locks=0, reads=0,
                paints=0, file_bytes=0)
    base.update(overrides)
    return base


def run(name, **values):
    entry = {'name': name + '_median', 'run_name': name, 'run_type': 'aggregate', 'aggregate_name': 'median',
             'cpu_time': 1000.0, 'real_time': 2000.0, 'time_unit': 'ns'}
    entry.update(counters(**values))
    return entry


def sound_results():
    runs = []
    for d, c in report.SHAPES:
        runs.append(run('SteadyPoll/D:%d/C:%d' % (d, c), allocs=d + 2, record_allocs=d + 1, reallocs=d - 1,
                        frees=d + 2, cm_queries=1, cm_enums=d + 1))
        runs.append(run('ExpandedPaint/D:%d/C:%d' % (d, c), fonts_new=3, fonts_del=3, paints=1, locks=c * (d + 1)))
    runs.append(run('ChangedPoll/expanded:0', paints=1, fonts_new=3, fonts_del=3))
    runs.append(run('ChangedPoll/expanded:1', paints=2, fonts_new=6, fonts_del=6))
    # A mean aggregate must not replace the median.
    runs.append(dict(run('ChangedPoll/expanded:1', paints=7), aggregate_name='mean'))
    return runs


class BudgetTest(unittest.TestCase):
    def verdict(self, runs):
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, 'machine.txt'), 'w') as f:
                f.write('nproc=2\ncpu=Test CPU\n')
            with open(os.path.join(folder, 'bench.json'), 'w') as f:
                json.dump({'benchmarks': runs}, f)
            text = io.StringIO()
            with contextlib.redirect_stdout(text):
                status = report.main(folder)
        return status, text.getvalue()

    def test_sound_counters_pass(self):
        status, text = self.verdict(sound_results())
        self.assertEqual(status, 0, text)
        self.assertNotIn('FAIL', text)

    def test_each_broken_counter_fails_its_budget(self):
        cases = [
            ('SteadyPoll/D:8/C:4', {'status_resized': 1}, 'steady poll D=8 C=4'),
            ('SteadyPoll/D:64/C:16', {'paints': 1}, 'steady poll D=64 C=16'),
            ('SteadyPoll/D:2/C:1', {'allocs': 5}, 'steady poll D=2 C=1'),
            ('ExpandedPaint/D:8/C:4', {'fonts_del': 2}, 'paint D=8 C=4: 3 fonts'),
            ('ExpandedPaint/D:8/C:64', {'gdi_growth': 1}, 'paint D=8 C=64: 3 fonts'),
            ('ExpandedPaint/D:256/C:4', {'locks': 4 * 257 + 1}, 'paint D=256 C=4: destination lookups'),
            ('ChangedPoll/expanded:0', {'paints': 0}, 'changed poll (collapsed)'),
        ]
        for name, change, budget in cases:
            with self.subTest(name=name, change=change):
                runs = sound_results()
                for r in runs:
                    if r['run_name'] == name and r['aggregate_name'] == 'median':
                        r.update(change)
                status, text = self.verdict(runs)
                self.assertEqual(status, 1)
                failed = [l for l in text.splitlines() if l.strip().startswith('FAIL')]
                self.assertEqual(len(failed), 1, text)
                self.assertIn(budget, failed[0])

    def test_missing_result_fails(self):
        runs = [r for r in sound_results() if r['run_name'] != 'SteadyPoll/D:256/C:64']
        status, text = self.verdict(runs)
        self.assertEqual(status, 1)
        self.assertIn('FAIL steady poll D=256 C=64', text)


if __name__ == '__main__':
    unittest.main()
