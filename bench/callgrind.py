# SPDX-License-Identifier: MIT
# Reads a callgrind output file into self costs per function and costs per call arc.
"""Only the Ir event is used. Names may be compressed ("fn=(12) name" once, "fn=(12)"
after); a cost line right after "calls=" is the inclusive cost of that call, every other
cost line is the self cost of the current function."""

import collections
import re

_NAMED = re.compile(r'\((\d+)\)(?:\s+(.*))?$')


class Profile:
    def __init__(self):
        self.total = 0
        self.self_cost = collections.Counter()   # (object, function) -> Ir
        self.arc_cost = collections.Counter()    # ((object, function), (object, function)) -> Ir
        self.arc_calls = collections.Counter()
        self.description = []

    def self_in(self, predicate):
        """Self cost of every function whose object satisfies predicate."""
        return sum(v for (obj, _), v in self.self_cost.items() if predicate(obj))

    def calls_out(self, caller_pred, callee_pred):
        """Inclusive cost of the calls from objects matching caller_pred into objects
        matching callee_pred."""
        return sum(v for ((co, _), (ce, _)), v in self.arc_cost.items()
                   if caller_pred(co) and callee_pred(ce))

    def inclusive(self, function_prefix):
        """Inclusive cost and number of calls into functions whose name starts with the
        prefix, counted on calls from other functions (recursion is not counted twice)."""
        cost = calls = 0
        for (caller, callee), v in self.arc_cost.items():
            if callee[1].startswith(function_prefix) and not caller[1].startswith(function_prefix):
                cost += v
                calls += self.arc_calls[(caller, callee)]
        return cost, calls


def read(path):
    names = {'ob': {}, 'fn': {}, 'fl': {}}

    def resolve(kind, value):
        m = _NAMED.match(value)
        if not m:
            return value
        table = names[kind]
        if m.group(2) is not None:
            table[m.group(1)] = m.group(2)
        return table.get(m.group(1), '?')

    profile = Profile()
    obj = fn = callee_obj = callee_fn = None
    pending_calls = None
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line:
                continue
            first = line[0]
            if first.isdigit() or first in '+-*':
                fields = line.split()
                cost = int(fields[1]) if len(fields) > 1 else 0
                if pending_calls is not None:
                    arc = ((obj, fn), (callee_obj or obj, callee_fn))
                    profile.arc_cost[arc] += cost
                    profile.arc_calls[arc] += pending_calls
                    pending_calls = None
                    callee_obj = None
                else:
                    profile.self_cost[(obj, fn)] += cost
                continue
            if line.startswith('summary:') or line.startswith('totals:'):
                profile.total = int(line.split()[1])
                continue
            if line.startswith('desc:'):
                profile.description.append(line[5:].strip())
                continue
            key, _, value = line.partition('=')
            if key == 'ob':
                obj = resolve('ob', value)
            elif key == 'fn':
                fn = resolve('fn', value)
            elif key == 'cob':
                callee_obj = resolve('ob', value)
            elif key == 'cfn':
                callee_fn = resolve('fn', value)
            elif key == 'calls':
                pending_calls = int(value.split()[0])
            elif key in ('fl', 'fi', 'fe', 'cfi', 'cfl'):
                resolve('fl', value)
    return profile


def measured_part(prefix):
    """The dump a driver wrote with the reason "measured": prefix.1, prefix.2, ..."""
    import glob
    for path in sorted(glob.glob(prefix + '.*')):
        with open(path, encoding='utf-8', errors='replace') as f:
            head = f.read(4096)
        if 'Client Request: measured' in head:
            return path
    return None
