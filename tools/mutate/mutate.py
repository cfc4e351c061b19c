#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Mutation testing of the plug-in's folders.

    tools/mutate/mutate.py run [--jobs N] [--sample] [--only FILE] [--matrix] [--out DIR]
    tools/mutate/mutate.py report RESULTS.json [--out DIR]
    tools/mutate/mutate.py redundant MATRIX.json

run: finds every mutation site of entry, framework, connections, intl and support with
libclang, writes one copy of the tree whose plug-in sources hold every mutant behind a
switch (mutant schemata), builds it once, checks the unmutated suite passes on it, maps each
test to the mutants it reaches (one traced run per test), then runs each mutant against the
tests that reach it, stopping at the first failure, with a time limit a few times the
unmutated run (a hang counts as caught). --matrix drops the early stop and records every
test that catches each mutant. The mutants are built with the test preset's sanitizers
unless --no-sanitize. --only FILE mutates just that file. --sample mutates one small file
against its unit tests: a check that the tool works, for the test command.
"""
import argparse
import concurrent.futures
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sites  # noqa: E402
import clang.cindex as ci  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
HERE = os.path.dirname(os.path.abspath(__file__))
PLUGIN = ['entry', 'framework', 'connections', 'intl', 'support']
# The plug-in's own tests. The soak, todaysim (live and window runs) and the Win32 tier stay
# out: slow, or another build.
TEST_BINARIES = ['support_unit_tests', 'intl_unit_tests', 'typenames_unit_tests',
                 'framework_unit_tests', 'connections_unit_tests', 'msgseq_tests',
                 'e2e_tests', 'reliability_tests']
# The tests a fold may remove; the matrix records the verdict of each.
FOLDABLE = [b for b in TEST_BINARIES if b != 'reliability_tests']
SLOW = re.compile(r'^Soak')     # suites of these binaries that run too long
SAMPLE_FILE = 'support/SafeObjArray.cpp'
SAMPLE_BINARIES = ['support_unit_tests']
TIME_FACTOR = 4.0    # a mutant's run may take this many times the unmutated run...
TIME_SLACK = 2.0     # ...plus this many seconds (process start on a busy machine)
EQUIVALENT = os.path.join(HERE, 'equivalent.txt')


def log(*a):
    print('mutate:', *a, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- sites and schemata
def sources(sample, only=None):
    if sample:
        return [SAMPLE_FILE]
    if only:
        for rel in only:
            if rel.split('/')[0] not in PLUGIN or not rel.endswith('.cpp') or \
                    not os.path.isfile(os.path.join(ROOT, rel)):
                raise SystemExit('mutate: --only %s: expected a .cpp file of %s, relative to %s'
                                 % (rel, ', '.join(PLUGIN), ROOT))
        return sorted(set(only))
    out = []
    for d in PLUGIN:
        for name in sorted(os.listdir(os.path.join(ROOT, d))):
            if name.endswith('.cpp'):
                out.append('%s/%s' % (d, name))
    return out


def parse_args_for(tree):
    return ['-x', 'c++', '-std=c++17', '-I', tree, '-Werror=vla-extension', '-Wno-everything',
            '-Werror=vla-extension']


def parse(path, text, tree):
    index = ci.Index.create()
    return index.parse(path, args=parse_args_for(tree), unsaved_files=[(path, text)])


def errors(tu, path):
    out = []
    for d in tu.diagnostics:
        if d.severity >= ci.Diagnostic.Error:
            loc = d.location
            out.append((loc.file.name if loc.file else '', loc.line, loc.column, d.spelling))
    return out


def generate(files, tree):
    """Writes the schemata sources into tree; returns every mutant (with ids) and the ones
    that do not compile."""
    mutants, not_compiling, next_id = [], [], 1
    for rel in files:
        path = os.path.join(ROOT, rel)
        with open(path, 'rb') as f:
            src = f.read()
        tu = parse(path, src.decode('utf-8', 'surrogateescape'), ROOT)
        bad = errors(tu, path)
        if bad:
            raise SystemExit('mutate: %s does not parse: %s' % (rel, bad[:3]))
        nodes, found = sites.find(tu, path, rel, src)
        roots, crossed = sites.nest(nodes)
        skip = {id(m) for n in crossed for m, _ in n.alts}
        found = [m for m in found if id(m) not in skip]
        first = next_id
        for m in found:
            m.id = next_id
            next_id += 1
        out_path = os.path.join(tree, rel)
        dropped = set()
        while True:
            body = sites.render(src, roots, 0, len(src),
                                keep=lambda m: m.id not in dropped and id(m) not in skip)
            head = '#define LKM_FIRST %d\n#define LKM_COUNT %d\n#include "lkm_schema.h"\n' % (
                first, next_id - first)
            text = head + body
            tu = parse(out_path, text, tree)
            errs = errors(tu, out_path)
            if not errs:
                break
            line_starts = [0] + [i + 1 for i, ch in enumerate(text) if ch == '\n']
            blamed = set()
            for fname, line, col, msg in errs:
                if fname != out_path:
                    continue
                offset = line_starts[line - 1] + len(text[line_starts[line - 1]:].encode()[:col - 1]
                                                     .decode('utf-8', 'ignore'))
                blamed.update(sites.blame(text, offset))
            blamed -= dropped
            if not blamed:
                # A message away from every mutant: a constant made a run-time value where
                # a constant expression is needed (an array's size). Find it by halving.
                blamed = culprit(found, dropped, skip, src, roots, head, out_path, tree, len(errs))
                if not blamed:
                    raise SystemExit('mutate: %s: messages no mutant explains: %s' % (rel, errs[:3]))
            dropped |= blamed
        with open(out_path, 'w', encoding='utf-8', errors='surrogateescape') as f:
            f.write(text)
        for m in found:
            (not_compiling if m.id in dropped else mutants).append(m)
        log('%-40s %4d mutants, %d not compiling' % (rel, len(found) - len(dropped), len(dropped)))
    return mutants, not_compiling


def culprit(found, dropped, skip, src, roots, head, path, tree, count):
    """The first mutant (constants first) whose removal lowers the number of messages."""
    def messages(off):
        body = sites.render(src, roots, 0, len(src),
                            keep=lambda m: m.id not in dropped and m.id not in off and id(m) not in skip)
        return len(errors(parse(path, head + body, tree), path))

    for pick in (lambda m: m.op.startswith('cxx_const'), lambda m: True):
        cands = [m.id for m in found if m.id not in dropped and pick(m)]
        if not cands or messages(set(cands)) >= count:
            continue
        lo, hi = 0, len(cands)    # dropping cands[:hi] helps, cands[:lo] does not
        while hi - lo > 1:
            mid = (lo + hi) // 2
            if messages(set(cands[:mid])) < count:
                hi = mid
            else:
                lo = mid
        return {cands[hi - 1]}
    return set()


def make_tree(out, files):
    """A copy of the repository whose plug-in folders are real copies (their .cpp files are
    replaced) and everything else a link back."""
    tree = os.path.join(out, 'tree')
    if os.path.isdir(tree):
        shutil.rmtree(tree)
    os.makedirs(tree)
    for name in os.listdir(ROOT):
        if name in ('build', '.git') or name.startswith('.'):
            continue
        src = os.path.join(ROOT, name)
        if name in PLUGIN:
            shutil.copytree(src, os.path.join(tree, name))
        else:
            os.symlink(src, os.path.join(tree, name))
    shutil.copy(os.path.join(HERE, 'schema.h'), os.path.join(tree, 'lkm_schema.h'))
    return tree


def build(tree, bdir, targets, jobs, sanitize):
    # -O1: the schemata sources are large; -w: the switches' conditional expressions mix
    # types the way the original code does not. The sanitizers are the test preset's: a
    # mutant that overruns a block or leaks is one the suite catches where it runs.
    cfg = ['cmake', '-S', tree, '-B', bdir, '-G', 'Ninja', '-DCMAKE_BUILD_TYPE=RelWithDebInfo',
           '-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g0 -DNDEBUG', '-DCMAKE_CXX_FLAGS=-w',
           '-DLINKORY_SANITIZE=%s' % ('ON' if sanitize else 'OFF')]
    subprocess.run(cfg, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(['cmake', '--build', bdir, '-j%d' % jobs, '--target'] + targets, check=True,
                   stdout=subprocess.DEVNULL)
    if sanitize:
        # As the test preset's ctest runs the tests (cmake/LinkoryTest.cmake).
        os.environ['ASAN_OPTIONS'] = 'detect_leaks=1:allow_user_segv_handler=1'
        os.environ['UBSAN_OPTIONS'] = 'print_stacktrace=1:halt_on_error=1'


# ---------------------------------------------------------------- running tests
def list_tests(binary):
    out = subprocess.run([binary, '--gtest_list_tests'], check=True, capture_output=True,
                         text=True).stdout
    tests, suite = [], None
    for line in out.splitlines():
        if not line.strip():
            continue
        if not line.startswith(' '):
            suite = line.split()[0]
        else:
            name = suite + line.split()[0]
            if not SLOW.search(name):
                tests.append(name)
    return tests


def run_tests(binary, tests, env_extra, timeout, fail_fast=True, cwd=None):
    """(status, seconds): status 'pass', 'fail' or 'timeout'."""
    env = dict(os.environ)
    env.update(env_extra)
    cmd = [binary, '--gtest_filter=' + ':'.join(tests), '--gtest_brief=1']
    if fail_fast:
        cmd.append('--gtest_fail_fast')
    start = time.monotonic()
    try:
        p = subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=timeout, cwd=cwd, start_new_session=True)
    except subprocess.TimeoutExpired:
        return 'timeout', time.monotonic() - start
    return ('pass' if p.returncode == 0 else 'fail'), time.monotonic() - start


def coverage_map(bindir, binaries, jobs):
    """Each test run alone and traced: the mutants it reaches and its time."""
    jobs_list = []
    for b in binaries:
        for t in list_tests(os.path.join(bindir, b)):
            jobs_list.append((b, t))
    tmp = tempfile.mkdtemp(prefix='lkm-trace-')

    def one(job):
        b, t = job
        trace = os.path.join(tmp, '%s.%s' % (b, t.replace('/', '_')))
        status, secs = run_tests(os.path.join(bindir, b), [t], {'LINKORY_MUTANT_TRACE': trace},
                                 timeout=600, fail_fast=False)
        reached = set()
        if os.path.exists(trace):
            with open(trace) as f:
                reached = {int(x) for x in f.read().split()}
        return b, t, status, secs, reached

    with concurrent.futures.ThreadPoolExecutor(jobs) as ex:
        results = list(ex.map(one, jobs_list))
    shutil.rmtree(tmp, ignore_errors=True)
    failing = [(b, t) for b, t, status, _, _ in results if status != 'pass']
    if failing:
        raise SystemExit('mutate: the unmutated suite fails on the schemata build: %s' % failing)
    return {'%s/%s' % (b, t): {'secs': secs, 'reached': sorted(reached)}
            for b, t, _, secs, reached in results}


def baseline_check(bindir, binaries):
    for b in binaries:
        status, _ = run_tests(os.path.join(bindir, b), list_tests(os.path.join(bindir, b)), {},
                              timeout=600, fail_fast=False)
        if status != 'pass':
            return b
    return None


def run_group(tests, cov, bindir, env):
    """The tests run a binary at a time, stopping at the first failure: (status, binary)."""
    by_binary = {}
    for t in tests:
        b, name = t.split('/', 1)
        by_binary.setdefault(b, []).append(name)
    for b, names in by_binary.items():
        limit = TIME_FACTOR * sum(cov[b + '/' + n]['secs'] for n in names) + TIME_SLACK
        status, _ = run_tests(os.path.join(bindir, b), names, env, timeout=limit)
        if status == 'timeout':
            # A busy machine can stretch a sound run: a hang must hang twice.
            status, _ = run_tests(os.path.join(bindir, b), names, env, timeout=2 * limit)
        if status != 'pass':
            return ('caught' if status == 'fail' else 'timeout'), b
    return 'survived', None


def run_mutant(m, tests, cov, bindir, matrix):
    """tests: the ones reaching m, fastest first. Returns (status, killers, ran)."""
    env = {'LINKORY_MUTANT': str(m.id)}
    if not matrix:
        status, b = run_group(tests, cov, bindir, env)
        return status, [b] if b else [], tests
    # The plug-in tests of a binary in one process, without the early stop, gtest's verdict
    # read per test; the others (the reliability sweeps, slow, not to be folded) only when no
    # plug-in test catches the mutant, together and stopping at the first.
    killers, others, by_binary = [], [], {}
    for t in tests:
        b, name = t.split('/', 1)
        if b in FOLDABLE:
            by_binary.setdefault(b, []).append(name)
        else:
            others.append(t)
    for b, names in by_binary.items():
        killers += ['%s/%s' % (b, n) for n in failing_tests(bindir, b, names, cov, env)]
    if killers:
        return 'caught', killers, tests
    status, b = run_group(others, cov, bindir, env)
    return status, [b] if b else [], tests


VERDICT = re.compile(r'^\[ +(RUN|OK|FAILED) +\] (\S+)')


def failing_tests(bindir, b, names, cov, env):
    """The tests among names that fail (or crash, or hang) under env, from as few runs of
    the binary as a crash allows: the run resumes after the test that ended it."""
    failed, rest, wanted = [], list(names), set(names)
    while rest:
        limit = TIME_FACTOR * sum(cov[b + '/' + n]['secs'] for n in rest) + TIME_SLACK
        e = dict(os.environ)
        e.update(env)
        cmd = [os.path.join(bindir, b), '--gtest_filter=' + ':'.join(rest)]
        try:
            p = subprocess.run(cmd, env=e, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               timeout=limit, start_new_session=True)
            out, code = p.stdout, p.returncode
        except subprocess.TimeoutExpired as x:
            out, code = x.stdout or b'', None
        done, running, new = set(), None, 0
        for line in out.decode('utf-8', 'replace').splitlines():
            v = VERDICT.match(line)
            if not v or v.group(2) not in wanted:   # not the summary's '[  FAILED  ] 2 tests'
                continue
            if v.group(1) == 'RUN':
                running = v.group(2)
            else:
                done.add(v.group(2))
                running = None
                if v.group(1) == 'FAILED' and v.group(2) not in failed:
                    failed.append(v.group(2))
                    new += 1
        if running is not None:
            # A test that never ended (a crash, a sanitizer's abort, a hang) caught it.
            failed.append(running)
            done.add(running)
            rest = [n for n in rest if n not in done]
            continue
        if code != 0 and not new:
            # A failure outside every test (a leak found at exit, say): each one alone.
            for n in rest:
                if n not in failed and run_group([b + '/' + n], cov, bindir, env)[0] != 'survived':
                    failed.append(n)
        break
    return failed


# ---------------------------------------------------------------- coverage (gcovr)
def gcov_figures(out, binaries, jobs, files):
    """Line and branch coverage of the plug-in folders under the same tests, from a
    separate build with gcov's counters."""
    bdir = os.path.join(out, 'gcov')
    subprocess.run(['cmake', '-S', ROOT, '-B', bdir, '-G', 'Ninja', '-DCMAKE_BUILD_TYPE=Debug',
                    '-DCMAKE_CXX_FLAGS=--coverage -O0', '-DCMAKE_EXE_LINKER_FLAGS=--coverage',
                    '-DCMAKE_SHARED_LINKER_FLAGS=--coverage', '-DCMAKE_MODULE_LINKER_FLAGS=--coverage'],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(['cmake', '--build', bdir, '-j%d' % jobs, '--target'] + binaries, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(['find', bdir, '-name', '*.gcda', '-delete'], check=True)
    for b in binaries:
        binary = os.path.join(bdir, 'bin', b)
        run_tests(binary, list_tests(binary), {}, timeout=1200, fail_fast=False)
    filters = []
    for f in files:
        filters += ['--filter', re.escape(os.path.join(ROOT, f))]
    cmd = ['gcovr', '--root', ROOT, '--object-directory', bdir, '--exclude-unreachable-branches',
           '--exclude-throw-branches', '--json-summary', os.path.join(out, 'gcovr.json')] + filters
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(out, 'gcovr.json')) as f:
        summary = json.load(f)
    per_file = {x['filename']: x for x in summary['files']}
    return summary['line_percent'], summary['branch_percent'], per_file


# ---------------------------------------------------------------- report
def load_equivalent():
    """key -> reason, from 'file:line:col:op  reason' lines."""
    eq = {}
    if os.path.exists(EQUIVALENT):
        with open(EQUIVALENT) as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith('#'):
                    key, _, reason = line.partition(' ')
                    eq[key] = reason.strip()
    return eq


def figure_line(r):
    return ('mutation: caught {caught} of {total} ({pct:.1f} %), {survived} survived, '
            '{equivalent} equivalent, {timeout} timed out, {not_compiling} not compiling; '
            'lines {lines} %, branches {branches} %; {minutes} min').format(**r)


def summarise(results):
    eq = load_equivalent()
    counts = {'caught': 0, 'survived': 0, 'timeout': 0, 'equivalent': 0, 'not_compiling': 0}
    per_file = {}
    for m in results['mutants']:
        status = m['status']
        if status == 'survived' and m['key'] in eq:
            status = 'equivalent'
        m['final'] = status
        counts[status] += 1
        per_file.setdefault(m['file'], dict.fromkeys(counts, 0))[status] += 1
    total = counts['caught'] + counts['timeout'] + counts['survived']
    killed = counts['caught'] + counts['timeout']
    fig = dict(caught=killed, total=total, pct=100.0 * killed / total if total else 0.0,
               survived=counts['survived'], equivalent=counts['equivalent'],
               timeout=counts['timeout'], not_compiling=counts['not_compiling'],
               lines=results.get('lines', '-'), branches=results.get('branches', '-'),
               minutes=results.get('minutes', '-'))
    stale = sorted(set(eq) - {m['key'] for m in results['mutants'] if m['final'] == 'equivalent'})
    return fig, per_file, eq, stale


def write_report(results, out_dir):
    fig, per_file, eq, stale = summarise(results)
    lines = ['# Mutation baseline: scripts/mutate.sh rewrites this file; a diff shows what changed.',
             '# Survivors, in compiler form:']
    for m in sorted(results['mutants'], key=lambda m: (m['file'], m['line'], m['col'], m['op'])):
        if m['final'] == 'survived':
            lines.append('%s:%d:%d: warning: Survived: %s [%s]' % (m['file'], m['line'], m['col'],
                                                                  m['desc'], m['op']))
    lines.append('# Per file: caught timeout survived equivalent not-compiling')
    for f in sorted(per_file):
        c = per_file[f]
        lines.append('%s: %d %d %d %d %d' % (f, c['caught'], c['timeout'], c['survived'],
                                            c['equivalent'], c['not_compiling']))
    lines.append(figure_line(fig))
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, 'baseline.txt'), 'w') as f:
        f.write('\n'.join(lines) + '\n')

    md = ['# Mutation report', '',
          'Made by `scripts/mutate.sh` (tools/mutate). %s' % results.get('when', ''), '',
          '**%s**' % figure_line(fig), '',
          'Run: %s' % results.get('machine', ''), '',
          '| file | caught | timed out | survived | equivalent | not compiling | lines % | branches % |',
          '|---|---:|---:|---:|---:|---:|---:|---:|']
    cov = results.get('coverage_files', {})
    for f in sorted(per_file):
        c = per_file[f]
        fc = cov.get(f, {})
        md.append('| %s | %d | %d | %d | %d | %d | %s | %s |' % (
            f, c['caught'], c['timeout'], c['survived'], c['equivalent'], c['not_compiling'],
            fc.get('line_percent', '-'), fc.get('branch_percent', '-')))
    md += ['', '## Survivors', '', 'Each with the tests that ran it.', '']
    for m in sorted(results['mutants'], key=lambda m: (m['file'], m['line'], m['col'])):
        if m['final'] == 'survived':
            ran = ', '.join(m.get('ran', [])) or 'no test reaches it'
            md.append('- `%s:%d:%d` %s [%s]: %s' % (m['file'], m['line'], m['col'], m['desc'],
                                                     m['op'], ran))
    md += ['', '## Equivalent mutants', '']
    for m in results['mutants']:
        if m['final'] == 'equivalent':
            md.append('- `%s:%d:%d` %s [%s]: %s' % (m['file'], m['line'], m['col'], m['desc'],
                                                     m['op'], eq[m['key']]))
    if stale:
        md += ['', 'Listed as equivalent but no longer surviving (take them off the list): ' +
               ', '.join(stale)]
    md += ['', '## Not compiling', '']
    for m in results['mutants']:
        if m['final'] == 'not_compiling':
            md.append('- `%s:%d:%d` %s [%s]' % (m['file'], m['line'], m['col'], m['desc'], m['op']))
    with open(os.path.join(out_dir, 'report.md'), 'w') as f:
        f.write('\n'.join(md) + '\n')
    return fig


# ---------------------------------------------------------------- commands
def cmd_run(a):
    t0 = time.monotonic()
    if a.only and a.report_dir and os.path.abspath(a.report_dir) == HERE:
        raise SystemExit('mutate: --only makes a partial report; the committed baseline comes '
                         'from a full pass (leave --only out, or give --report-dir elsewhere)')
    out = os.path.abspath(a.out)
    os.makedirs(out, exist_ok=True)
    files = sources(a.sample, a.only)
    binaries = SAMPLE_BINARIES if a.sample else TEST_BINARIES
    tree = make_tree(out, files)
    mutants, not_compiling = generate(files, tree)
    log('%d mutants, %d not compiling' % (len(mutants), len(not_compiling)))
    bdir = os.path.join(out, 'build')
    build(tree, bdir, binaries, a.jobs, not a.no_sanitize)
    bindir = os.path.join(bdir, 'bin')
    cov = coverage_map(bindir, binaries, a.jobs)
    log('coverage map: %d tests, %.0f s of tests' % (len(cov), sum(c['secs'] for c in cov.values())))
    reach = {}
    for t, c in cov.items():
        for i in c['reached']:
            reach.setdefault(i, []).append(t)
    # The mutants reached by the most tests first: a late baseline failure then costs least.
    results = {m.id: None for m in mutants}

    carried = {}
    if a.rerun_survivors:
        # Only what survived an earlier pass runs again; its catches are taken over (for
        # trying new tests quickly; a committed baseline comes from a full pass).
        with open(a.rerun_survivors) as f:
            carried = {m['key']: m for m in json.load(f)['mutants']
                       if m['status'] in ('caught', 'timeout')}

    def one(m):
        if m.key in carried:
            old = carried[m.key]
            return m, (old['status'], old['killers'], old['ran'])
        tests = sorted(reach.get(m.id, []), key=lambda t: cov[t]['secs'])
        if not tests:
            return m, ('survived', [], [])
        return m, run_mutant(m, tests, cov, bindir, a.matrix)

    done = 0
    progress = open(os.path.join(out, 'progress.txt'), 'w')
    with concurrent.futures.ThreadPoolExecutor(a.jobs) as ex:
        for m, r in ex.map(one, mutants):
            results[m.id] = r
            progress.write('%s %s %s\n' % (r[0], m.key, m.desc))
            progress.flush()
            done += 1
            if done % 200 == 0:
                log('%d of %d mutants' % (done, len(mutants)))
    progress.close()
    broken = baseline_check(bindir, binaries)
    if broken:
        raise SystemExit('mutate: the unmutated %s no longer passes after the run: results void'
                         % broken)
    rows = []
    for m in mutants:
        status, killers, ran = results[m.id]
        rows.append(dict(key=m.key, file=m.file, line=m.line, col=m.col, op=m.op, desc=m.desc,
                         status=status, killers=killers, ran=ran))
    for m in not_compiling:
        rows.append(dict(key=m.key, file=m.file, line=m.line, col=m.col, op=m.op, desc=m.desc,
                         status='not_compiling', killers=[], ran=[]))
    data = {'mutants': rows, 'when': time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime()),
            'tests': {t: c['secs'] for t, c in cov.items()}}
    if not a.sample and not a.only and not a.matrix and not a.no_gcov:
        lines, branches, per = gcov_figures(out, binaries, a.jobs, files)
        data['lines'], data['branches'] = '%.1f' % lines, '%.1f' % branches
        data['coverage_files'] = {f: per[f] for f in per}
    minutes = (time.monotonic() - t0) / 60
    data['minutes'] = '%.0f' % minutes if minutes >= 1 else '%.1f' % minutes
    data['machine'] = '%d cores, %d workers, %s, load average at the end %s' % (
        os.cpu_count(), a.jobs, 'no sanitizer' if a.no_sanitize else 'ASan and UBSan',
        ' '.join(open('/proc/loadavg').read().split()[:3]))
    if a.rerun_survivors:
        data['machine'] += '; only the survivors of an earlier pass were run, its catches taken over'
    name = 'matrix.json' if a.matrix else 'results.json'
    with open(os.path.join(out, name), 'w') as f:
        json.dump(data, f, indent=1)
    if a.matrix:
        log('matrix written to %s' % os.path.join(out, name))
        return 0
    report_dir = os.path.abspath(a.report_dir) if a.report_dir else out
    fig = write_report(data, report_dir)
    print(figure_line(fig))
    if not fig['total'] or not fig['caught']:
        log('no mutant was run or none was caught: the tool is broken')
        return 1
    if a.no_shrink:
        return check_no_shrink(a.no_shrink, data)
    return 0


def check_no_shrink(old_path, data):
    """The caught set of an earlier results file must be caught still."""
    with open(old_path) as f:
        old = json.load(f)
    was = {m['key'] for m in old['mutants'] if m['status'] in ('caught', 'timeout')}
    now = {m['key'] for m in data['mutants'] if m['status'] in ('caught', 'timeout')}
    keys_now = {m['key'] for m in data['mutants']}
    lost = sorted(k for k in was - now if k in keys_now)
    for k in lost:
        print('%s: no longer caught' % k)
    return 1 if lost else 0


def redundant(matrix):
    """Plug-in tests whose every caught mutant another test catches too, removed one at a time
    (the slowest first), so that the caught set stays whole."""
    killers = [set(m['killers']) for m in matrix['mutants'] if m['killers']]
    secs = matrix.get('tests', {})
    every = {t for k in killers for t in k} | set(secs)
    tests = sorted((t for t in every if t.split('/', 1)[0] in FOLDABLE),
                   key=lambda t: -secs.get(t, 0))
    kept = set(every)
    dropped = []
    for t in tests:
        if all(k & (kept - {t}) for k in killers):
            kept.discard(t)
            dropped.append(t)
    return dropped


def cmd_report(a):
    with open(a.results) as f:
        data = json.load(f)
    print(figure_line(write_report(data, a.out)))
    return 0


def cmd_redundant(a):
    with open(a.matrix) as f:
        matrix = json.load(f)
    for t in redundant(matrix):
        print(t)
    return 0


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    sub = p.add_subparsers(dest='cmd', required=True)
    r = sub.add_parser('run')
    r.add_argument('--jobs', type=int, default=2)
    r.add_argument('--sample', action='store_true')
    r.add_argument('--only', action='append', metavar='FILE',
                   help='mutate just this file (repeatable), e.g. support/SafeString.cpp')
    r.add_argument('--matrix', action='store_true')
    r.add_argument('--no-gcov', action='store_true')
    r.add_argument('--no-sanitize', action='store_true',
                   help='build the mutants without the address and undefined-behaviour sanitizers')
    r.add_argument('--out', default=os.path.join(ROOT, 'build', 'mutate'))
    r.add_argument('--report-dir', help='where baseline.txt and report.md go (default: --out)')
    r.add_argument('--no-shrink', metavar='RESULTS', help='fail when a mutant caught there survives')
    r.add_argument('--rerun-survivors', metavar='RESULTS',
                   help='take the catches of an earlier pass over, run only the rest')
    r.set_defaults(fn=cmd_run)
    rep = sub.add_parser('report')
    rep.add_argument('results')
    rep.add_argument('--out', default='.')
    rep.set_defaults(fn=cmd_report)
    red = sub.add_parser('redundant')
    red.add_argument('matrix')
    red.set_defaults(fn=cmd_redundant)
    a = p.parse_args(argv)
    return a.fn(a)


if __name__ == '__main__':
    sys.exit(main())
