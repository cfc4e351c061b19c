# SPDX-License-Identifier: MIT
"""Tests of the mutation tool: the sites it finds, the schemata it writes (compiled and run),
the report's figures and the fold check."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutate  # noqa: E402
import sites  # noqa: E402

PRELUDE = '#define TRUE 1\n#define FALSE 0\n#define NEG(x) ((x) < 0)\nvoid g(int);\nint h(int);\n'


def find(body):
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, 'x.cpp')
        src = (PRELUDE + body).encode()
        tu = mutate.parse(path, src.decode(), d)
        nodes, found = sites.find(tu, path, 'x.cpp', src)
        return nodes, found, src


class SiteTest(unittest.TestCase):
    def test_operators_found(self):
        # body -> the (operator, description) pairs it must yield, and nothing else
        cases = [
            ('int f(int a, int b) { return a < b; }',
             {('cxx_lt_to_le', 'Replaced < with <='), ('cxx_lt_to_ge', 'Replaced < with >='),
              ('cxx_return_to_zero', 'Replaced the returned value with 0')}),
            ('int f(int* p, int* q) { return p - q; }',
             {('cxx_return_to_zero', 'Replaced the returned value with 0')}),
            ('int* f(int* p, int n) { return p + n; }',
             {('cxx_add_to_sub', 'Replaced + with -'),
              ('cxx_return_to_zero', 'Replaced the returned value with 0')}),
            ('bool f(int a) { return NEG(a); }',
             {('cxx_return_to_zero', 'Replaced the returned value with 0')}),
            ('int f() { return TRUE; }', {('cxx_true_to_false', 'Replaced TRUE with FALSE')}),
            ('#define OK ((long)0)\nlong f() { return OK; }', set()),
            ('int f() { return 0; }',
             {('cxx_const_inc', 'Replaced 0 with 1'), ('cxx_const_dec', 'Replaced 0 with (-1)')}),
            ('unsigned f() { return 1u; }',
             {('cxx_const_inc', 'Replaced 1u with 2u'), ('cxx_const_dec', 'Replaced 1u with 0u')}),
            ('void f(int a) { g(a); h(a); }',
             {('cxx_remove_void_call', 'Removed the call to g'),
              ('cxx_remove_unused_call', 'Removed the call to h (its result unused)')}),
            ('void f(int a) { for (; a && h(a); --a) {} }',
             {('cxx_negate_condition', 'Negated the condition'),
              ('cxx_logical_and_to_or', 'Replaced && with ||'),
              ('cxx_pre_dec_to_pre_inc', 'Replaced -- with ++')}),
            ('struct S { int a[4]; }; unsigned f(S& s) { return sizeof s.a[2]; }',
             {('cxx_return_to_zero', 'Replaced the returned value with 0')}),
            ('void f(int a) { switch (a) { case 3: g(a); } }',
             {('cxx_remove_void_call', 'Removed the call to g')}),
            ('void f(int& a, int b) { a += b; a++; }',
             {('cxx_add_assign_to_sub_assign', 'Replaced += with -='),
              ('cxx_post_inc_to_post_dec', 'Replaced ++ with --')}),
        ]
        for body, want in cases:
            with self.subTest(body):
                _, found, _ = find(body)
                self.assertEqual({(m.op, m.desc) for m in found}, want)

    def test_position_is_the_operator(self):
        _, found, _ = find('int f(int a, int b) { return a >= b; }')
        m = next(m for m in found if m.op == 'cxx_ge_to_lt')
        self.assertEqual((m.line, m.col), (PRELUDE.count('\n') + 1, 32))
        self.assertEqual(m.key, 'x.cpp:%d:32:cxx_ge_to_lt' % (PRELUDE.count('\n') + 1))


class SchemataTest(unittest.TestCase):
    """Every mutant of a small program, compiled once, switched at run time: each one
    changes the output, the unmutated run matches the original, and the trace names what
    ran."""
    BODY = r'''
#include <stdio.h>
static const int data[] = {100, 3, 9, -4, 1, 100};
static int clamp(int v, int hi) { if (v > hi) return hi * 2; return v < 0 ? 1 : v; }
static int sum(const int* p, int n) { int s = 0; for (int i = 0; i < n; ++i) s += p[i] * 2; return s; }
static int flag(int a) { return a >= 4 && a != 5 ? TRUE : FALSE; }
int main() {
    for (int v = -2; v <= 7; ++v) printf("%d ", clamp(v, 5));
    for (int n = 0; n <= 4; ++n) printf("%d ", sum(data + 1, n));
    for (int a = 3; a <= 6; ++a) printf("%d ", flag(a));
    printf("\n");
    return 0;
}
'''

    def test_each_mutant_changes_the_output(self):
        with tempfile.TemporaryDirectory() as d:
            src = ('#define TRUE 1\n#define FALSE 0\n' + self.BODY).encode()
            path = os.path.join(d, 'p.cpp')
            with open(path, 'wb') as f:
                f.write(src)
            tu = mutate.parse(path, src.decode(), d)
            nodes, found = sites.find(tu, path, 'p.cpp', src)
            for i, m in enumerate(found):
                m.id = i + 1
            roots, crossed = sites.nest(nodes)
            self.assertEqual(crossed, [])
            head = '#define LKM_FIRST 1\n#define LKM_COUNT %d\n#include "schema.h"\n' % len(found)
            gen = os.path.join(d, 'gen.cpp')
            with open(gen, 'w') as f:
                f.write(head + sites.render(src, roots, 0, len(src)))
            exe = os.path.join(d, 'gen')
            subprocess.run(['g++', '-std=c++98', '-w', '-I', mutate.HERE, gen, '-o', exe], check=True)
            plain = os.path.join(d, 'plain')
            subprocess.run(['g++', '-w', path, '-o', plain], check=True)

            def out(mutant, trace=None):
                env = dict(os.environ, LINKORY_MUTANT=str(mutant))
                if trace:
                    env['LINKORY_MUTANT_TRACE'] = trace
                try:
                    return subprocess.run([exe], env=env, capture_output=True, timeout=10).stdout
                except subprocess.TimeoutExpired:
                    return b'hang'

            original = subprocess.run([plain], capture_output=True).stdout
            trace = os.path.join(d, 'trace')
            self.assertEqual(out(0, trace), original)
            with open(trace) as f:
                reached = {int(x) for x in f.read().split()}
            self.assertEqual(reached, {m.id for m in found})
            # Every operator of the tool appears in this program at least once...
            self.assertGreaterEqual(len({m.op for m in found}), 14)
            # ...and every mutant of the functions shows (none is equivalent; the padding
            # around data is read only by a mutant).
            first = src[:src.index(b'static int clamp')].count(b'\n') + 1
            main_line = src[:src.index(b'int main')].count(b'\n') + 1
            for m in found:
                if not first <= m.line < main_line:
                    continue
                with self.subTest(m.key):
                    self.assertNotEqual(out(m.id), original, m.desc)


class ReportTest(unittest.TestCase):
    def results(self):
        rows = []
        for i, status in enumerate(['caught'] * 17 + ['timeout', 'survived', 'survived',
                                                        'not_compiling']):
            rows.append(dict(key='a.cpp:%d:1:cxx_eq_to_ne' % i, file='a.cpp', line=i, col=1,
                             op='cxx_eq_to_ne', desc='Replaced == with !=', status=status,
                             killers=[], ran=[]))
        return {'mutants': rows, 'lines': '100.0', 'branches': '98.0', 'minutes': '42'}

    def test_figure_line(self):
        # One survivor listed as equivalent leaves the total: 18 of 19.
        saved = mutate.EQUIVALENT
        with tempfile.NamedTemporaryFile('w', suffix='.txt', delete=False) as f:
            f.write('# comment\na.cpp:19:1:cxx_eq_to_ne  both sides are always equal\n')
        try:
            mutate.EQUIVALENT = f.name
            fig, per_file, _, stale = mutate.summarise(self.results())
        finally:
            mutate.EQUIVALENT = saved
            os.unlink(f.name)
        self.assertEqual(mutate.figure_line(fig),
                         'mutation: caught 18 of 19 (94.7 %), 1 survived, 1 equivalent, '
                         '1 timed out, 1 not compiling; lines 100.0 %, branches 98.0 %; 42 min')
        self.assertEqual(per_file['a.cpp']['survived'], 1)
        self.assertEqual(stale, [])

    def test_blame_finds_the_alternative(self):
        text = 'x = /*@{4,5*/(lkm_on(4) ? (/*@4*/a-b/*@/*/) : lkm_on(5) ? (/*@5*/a@b/*@/*/) : (a+b))/*@}*/;'
        self.assertEqual(sites.blame(text, text.index('@b')), [5])
        self.assertEqual(sites.blame(text, text.index('a-b')), [4])
        self.assertEqual(sites.blame(text, text.index('(a+b)')), [4, 5])
        self.assertEqual(sites.blame(text, 0), [])


class FoldTest(unittest.TestCase):
    def test_redundant_tests_keep_every_catch(self):
        # t3 catches only what t1 does; t2 alone catches m2. Either t1 or t3 may go, not both.
        # The reliability sweeps are never folded, even when they catch nothing.
        b, r = 'e2e_tests/', 'reliability_tests/'
        matrix = {'mutants': [{'killers': [b + 't1', b + 't3']}, {'killers': [b + 't2']},
                              {'killers': [b + 't1', b + 't3', b + 't2']}, {'killers': []}],
                  'tests': {b + 't1': 0.1, b + 't2': 0.1, b + 't3': 0.5, b + 't4': 0.2, r + 't5': 9}}
        dropped = mutate.redundant(matrix)
        self.assertEqual(set(dropped), {b + 't3', b + 't4'})

    def test_no_shrink(self):
        old = {'mutants': [{'key': 'k1', 'status': 'caught'}, {'key': 'k2', 'status': 'timeout'},
                           {'key': 'k3', 'status': 'caught'}]}
        with tempfile.NamedTemporaryFile('w', suffix='.json', delete=False) as f:
            import json
            json.dump(old, f)
        try:
            same = {'mutants': [{'key': 'k1', 'status': 'timeout'}, {'key': 'k2', 'status': 'caught'}]}
            self.assertEqual(mutate.check_no_shrink(f.name, same), 0)   # k3's code is gone
            lost = {'mutants': [{'key': 'k1', 'status': 'survived'}, {'key': 'k2', 'status': 'caught'}]}
            self.assertEqual(mutate.check_no_shrink(f.name, lost), 1)
        finally:
            os.unlink(f.name)


class MatrixTest(unittest.TestCase):
    # A stand-in for a gtest binary: B.Fail fails, B.Abort ends the process the way a
    # sanitizer does (exit 1, no verdict), B.Leak passes but the process fails at exit.
    FAKE = """#!/bin/sh
tests=$(echo "$1" | sed 's/--gtest_filter=//; s/:/ /g')
status=0
for t in $tests; do
  echo "[ RUN      ] $t"
  case $t in
    B.Fail) echo "[  FAILED  ] $t (0 ms)"; status=1 ;;
    B.Abort) exit 1 ;;
    B.Leak) [ "$LEAK" ] && status=23; echo "[       OK ] $t (0 ms)" ;;
    *) echo "[       OK ] $t (0 ms)" ;;
  esac
done
[ $status = 1 ] && echo "[  FAILED  ] 1 test, listed below:"
exit $status
"""

    def test_verdicts_per_test_through_aborts_and_exit_failures(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, 'b')
            with open(path, 'w') as f:
                f.write(self.FAKE)
            os.chmod(path, 0o755)
            names = ['B.Ok', 'B.Abort', 'B.Fail', 'B.Abort2', 'B.Leak']
            cov = {'b/' + n: {'secs': 0.01} for n in names}
            got = mutate.failing_tests(d, 'b', names, cov, {})
            self.assertEqual(got, ['B.Abort', 'B.Fail'])
            got = mutate.failing_tests(d, 'b', ['B.Ok', 'B.Leak'], cov, {'LEAK': '1'})
            self.assertEqual(got, ['B.Leak'])


if __name__ == '__main__':
    unittest.main()
