# SPDX-License-Identifier: MIT
"""Mutation sites of one C++ file, found on libclang's syntax tree, and the mutant schemata
source that holds all of them behind run-time switches.

Operators carry Mull's names. A site is a node of the tree (an operator token, a literal, a
condition, a call statement, a returned value); every mutant of a site is one alternative
text for that node. Nodes nest (a comparison inside a negated condition), so the schemata
text is made bottom-up: each mutated node becomes

    (lkm_on(7) ? (alternative 7) : lkm_on(8) ? (alternative 8) : (original))

with the nodes inside it already rewritten the same way.
"""
import ctypes
import re
from dataclasses import dataclass, field

import clang.cindex as ci

K = ci.CursorKind

RELATIONAL = {
    '<': [('<=', 'cxx_lt_to_le'), ('>=', 'cxx_lt_to_ge')],
    '<=': [('<', 'cxx_le_to_lt'), ('>', 'cxx_le_to_gt')],
    '>': [('>=', 'cxx_gt_to_ge'), ('<=', 'cxx_gt_to_le')],
    '>=': [('>', 'cxx_ge_to_gt'), ('<', 'cxx_ge_to_lt')],
    '==': [('!=', 'cxx_eq_to_ne')],
    '!=': [('==', 'cxx_ne_to_eq')],
}
ARITHMETIC = {
    '+': [('-', 'cxx_add_to_sub')],
    '-': [('+', 'cxx_sub_to_add')],
    '*': [('/', 'cxx_mul_to_div')],
    '/': [('*', 'cxx_div_to_mul')],
    '%': [('/', 'cxx_rem_to_div')],
    '&': [('|', 'cxx_and_to_or')],
    '|': [('&', 'cxx_or_to_and')],
    '^': [('|', 'cxx_xor_to_or')],
    '<<': [('>>', 'cxx_lshift_to_rshift')],
    '>>': [('<<', 'cxx_rshift_to_lshift')],
    '+=': [('-=', 'cxx_add_assign_to_sub_assign')],
    '-=': [('+=', 'cxx_sub_assign_to_add_assign')],
    '*=': [('/=', 'cxx_mul_assign_to_div_assign')],
    '/=': [('*=', 'cxx_div_assign_to_mul_assign')],
    '%=': [('/=', 'cxx_rem_assign_to_div_assign')],
    '&=': [('|=', 'cxx_and_assign_to_or_assign')],
    '|=': [('&=', 'cxx_or_assign_to_and_assign')],
    '<<=': [('>>=', 'cxx_lshift_assign_to_rshift_assign')],
    '>>=': [('<<=', 'cxx_rshift_assign_to_lshift_assign')],
}
LOGICAL = {
    '&&': [('||', 'cxx_logical_and_to_or')],
    '||': [('&&', 'cxx_logical_or_to_and')],
}
BINARY = dict(RELATIONAL, **ARITHMETIC, **LOGICAL)
INC_DEC = {
    ('++', True): ('--', 'cxx_pre_inc_to_pre_dec'),
    ('--', True): ('++', 'cxx_pre_dec_to_pre_inc'),
    ('++', False): ('--', 'cxx_post_inc_to_post_dec'),
    ('--', False): ('++', 'cxx_post_dec_to_post_inc'),
}
DESCRIBE = {'cxx_remove_void_call': 'Removed the call to %s',
            'cxx_remove_unused_call': 'Removed the call to %s (its result unused)'}

POINTERISH = {ci.TypeKind.POINTER, ci.TypeKind.CONSTANTARRAY, ci.TypeKind.INCOMPLETEARRAY,
              ci.TypeKind.VARIABLEARRAY, ci.TypeKind.DEPENDENTSIZEDARRAY, ci.TypeKind.NULLPTR}
SCALAR = {ci.TypeKind.BOOL, ci.TypeKind.CHAR_U, ci.TypeKind.UCHAR, ci.TypeKind.USHORT,
          ci.TypeKind.UINT, ci.TypeKind.ULONG, ci.TypeKind.ULONGLONG, ci.TypeKind.CHAR_S,
          ci.TypeKind.SCHAR, ci.TypeKind.WCHAR, ci.TypeKind.SHORT, ci.TypeKind.INT,
          ci.TypeKind.LONG, ci.TypeKind.LONGLONG, ci.TypeKind.ENUM, ci.TypeKind.CHAR16,
          ci.TypeKind.POINTER}
STATEMENT_PARENTS = {K.COMPOUND_STMT, K.IF_STMT, K.WHILE_STMT, K.FOR_STMT, K.DO_STMT,
                     K.CASE_STMT, K.DEFAULT_STMT, K.LABEL_STMT}
NO_CONSTANT_PARENTS = {K.CASE_STMT, K.ENUM_CONSTANT_DECL, K.FIELD_DECL, K.STATIC_ASSERT,
                       K.TEMPLATE_NON_TYPE_PARAMETER}
INT_LITERAL = re.compile(r'^(0[xX][0-9a-fA-F]+|0[0-7]*|[1-9][0-9]*)([uUlL]*)$')


@dataclass
class Mutant:
    file: str       # relative to the root
    line: int
    col: int
    op: str
    desc: str
    id: int = 0

    @property
    def key(self):
        return '%s:%d:%d:%s' % (self.file, self.line, self.col, self.op)


@dataclass
class Node:
    start: int      # byte offsets in the file
    end: int
    rank: int       # among nodes of one range: the smaller one wraps the larger
    # alternatives: (mutant, edits) with edits = [(start, end, text)] inside the node's own
    # text (not inside a nested node), or (mutant, template) where '\0' is the node's text.
    alts: list = field(default_factory=list)
    default: str = None    # template for the unmutated branch, '\0' when None
    children: list = field(default_factory=list)


def _tokens(tu, cursor):
    return list(tu.get_tokens(extent=cursor.extent))


def _in_file(cursor, path):
    loc = cursor.extent.start
    return loc.file is not None and loc.file.name == path and \
        cursor.extent.end.file is not None and cursor.extent.end.file.name == path


def _constant(cursor):
    """The value of an integer constant expression (a macro such as ERROR_SUCCESS), or None."""
    lib = ci.conf.lib
    if not getattr(lib, '_lkm_eval_types', False):
        # The bindings leave these untyped: a pointer result would be cut to an int.
        lib.clang_Cursor_Evaluate.argtypes = [ci.Cursor]
        lib.clang_Cursor_Evaluate.restype = ctypes.c_void_p
        lib.clang_EvalResult_getKind.argtypes = [ctypes.c_void_p]
        lib.clang_EvalResult_getKind.restype = ctypes.c_int
        lib.clang_EvalResult_getAsLongLong.argtypes = [ctypes.c_void_p]
        lib.clang_EvalResult_getAsLongLong.restype = ctypes.c_longlong
        lib.clang_EvalResult_dispose.argtypes = [ctypes.c_void_p]
        lib._lkm_eval_types = True
    result = lib.clang_Cursor_Evaluate(cursor)
    if not result:
        return None
    try:
        return lib.clang_EvalResult_getAsLongLong(result) if lib.clang_EvalResult_getKind(result) == 1 else None
    finally:
        lib.clang_EvalResult_dispose(result)


def _pointerish(cursor):
    return cursor.type.get_canonical().kind in POINTERISH


def _plain(cursor, src):
    """A cursor's extent holds its own text (not a macro's expansion): the spelling of its
    first token is where its text starts."""
    s, e = cursor.extent.start.offset, cursor.extent.end.offset
    return 0 <= s < e <= len(src)


class SiteFinder:
    def __init__(self, tu, path, relpath, src):
        self.tu, self.path, self.rel, self.src = tu, path, relpath, src
        self.nodes = []
        self.mutants = []

    def add(self, start, end, rank, alts, default=None):
        node = Node(start, end, rank, default=default)
        for mutant, what in alts:
            node.alts.append((mutant, what))
            self.mutants.append(mutant)
        if node.alts:
            self.nodes.append(node)

    def mutant(self, offset, op, desc):
        line = self.src.count(b'\n', 0, offset) + 1
        col = offset - (self.src.rfind(b'\n', 0, offset) + 1) + 1
        return Mutant(self.rel, line, col, op, desc)

    def text(self, s, e):
        return self.src[s:e].decode('utf-8', 'replace')

    # ---- the walk ----
    def run(self):
        for c in self.tu.cursor.get_children():
            if c.location.file is not None and c.location.file.name == self.path:
                self.walk(c, [])
        return self

    def walk(self, c, parents):
        if not _in_file(c, self.path):
            return
        handler = getattr(self, 'on_' + c.kind.name.lower(), None)
        if handler is not None:
            handler(c, parents)
        if c.kind in STATEMENT_PARENTS:
            self.statements(c)
        for child in c.get_children():
            self.walk(child, parents + [c])

    def binary(self, c, table):
        kids = list(c.get_children())
        if len(kids) != 2 or not all(_in_file(k, self.path) for k in kids):
            return
        lhs, rhs = kids
        between = [t for t in _tokens(self.tu, c)
                   if t.extent.start.offset >= lhs.extent.end.offset
                   and t.extent.end.offset <= rhs.extent.start.offset]
        if len(between) != 1 or between[0].kind != ci.TokenKind.PUNCTUATION:
            return
        tok = between[0]
        op = tok.spelling
        if op not in table:
            return
        s, e = tok.extent.start.offset, tok.extent.end.offset
        alts = []
        for new, name in table[op]:
            if name in ('cxx_sub_to_add', 'cxx_sub_assign_to_add_assign') and \
                    _pointerish(lhs) and _pointerish(rhs):
                continue   # pointer + pointer does not exist
            if name == 'cxx_add_to_sub' and _pointerish(rhs):
                continue   # n - pointer neither
            if op in ('&', '|', '^', '&=', '|=') and (
                    _pointerish(lhs) or c.type.get_canonical().kind == ci.TypeKind.BOOL):
                continue
            m = self.mutant(s, name, 'Replaced %s with %s' % (op, new))
            alts.append((m, [(s, e, new)]))
        self.add(c.extent.start.offset, c.extent.end.offset, 3, alts)

    def on_binary_operator(self, c, parents):
        self.binary(c, BINARY)

    def on_compound_assignment_operator(self, c, parents):
        self.binary(c, ARITHMETIC)

    def on_unary_operator(self, c, parents):
        kids = list(c.get_children())
        toks = _tokens(self.tu, c)
        if len(kids) != 1 or not toks or not _in_file(kids[0], self.path):
            return
        for tok, pre in ((toks[0], True), (toks[-1], False)):
            if (tok.spelling, pre) in INC_DEC:
                inner = kids[0].extent
                if pre and tok.extent.end.offset > inner.start.offset:
                    continue
                if not pre and tok.extent.start.offset < inner.end.offset:
                    continue
                new, name = INC_DEC[(tok.spelling, pre)]
                s, e = tok.extent.start.offset, tok.extent.end.offset
                m = self.mutant(s, name, 'Replaced %s with %s' % (tok.spelling, new))
                self.add(c.extent.start.offset, c.extent.end.offset, 3, [(m, [(s, e, new)])])
                return

    def on_integer_literal(self, c, parents):
        toks = _tokens(self.tu, c)
        if len(toks) != 1 or toks[0].kind != ci.TokenKind.LITERAL:
            return
        if any(p.kind in NO_CONSTANT_PARENTS for p in parents[-3:]):
            return
        if parents and parents[-1].kind == K.CASE_STMT:
            return
        if any(p.kind == K.CXX_UNARY_EXPR for p in parents):
            return     # sizeof and alignof do not evaluate their operand
        spelling = toks[0].spelling
        m = INT_LITERAL.match(spelling)
        if not m:
            return
        value = int(m.group(1), 0) if m.group(1) != '0' else 0
        if m.group(1).startswith('0') and not m.group(1).startswith(('0x', '0X')) and m.group(1) != '0':
            value = int(m.group(1), 8)
        suffix = m.group(2)
        s, e = toks[0].extent.start.offset, toks[0].extent.end.offset
        alts, seen = [], {value}
        for new, name in ((value + 1, 'cxx_const_inc'), (value - 1, 'cxx_const_dec'),
                          (0, 'cxx_const_to_zero')):
            if new in seen or (new < 0 and 'u' in suffix.lower()):
                continue
            seen.add(new)
            text = ('(%d%s)' % (new, suffix)) if new < 0 else ('%d%s' % (new, suffix))
            mm = self.mutant(s, name, 'Replaced %s with %s' % (spelling, text))
            alts.append((mm, [(s, e, text)]))
        self.add(s, e, 4, alts)

    def truth_tokens(self, c):
        """TRUE and FALSE are macros: their tokens, where a statement spells them."""
        for tok in _tokens(self.tu, c):
            if tok.kind == ci.TokenKind.IDENTIFIER and tok.spelling in ('TRUE', 'FALSE'):
                yield tok

    def on_function_decl(self, c, parents):
        self.truth(c)

    on_cxx_method = on_constructor = on_destructor = on_function_decl

    def truth(self, c):
        for tok in self.truth_tokens(c):
            s, e = tok.extent.start.offset, tok.extent.end.offset
            new = 'FALSE' if tok.spelling == 'TRUE' else 'TRUE'
            name = 'cxx_true_to_false' if tok.spelling == 'TRUE' else 'cxx_false_to_true'
            m = self.mutant(s, name, 'Replaced %s with %s' % (tok.spelling, new))
            self.add(s, e, 4, [(m, [(s, e, new)])])

    def condition(self, cond):
        if cond is None or not _in_file(cond, self.path) or cond.kind == K.VAR_DECL:
            return
        toks = _tokens(self.tu, cond)
        if not toks:
            return
        s, e = cond.extent.start.offset, cond.extent.end.offset
        m = self.mutant(s, 'cxx_negate_condition', 'Negated the condition')
        self.add(s, e, 1, [(m, '!(\0)')], default='!!(\0)')

    def on_if_stmt(self, c, parents):
        kids = list(c.get_children())
        if kids:
            self.condition(kids[0])

    def on_while_stmt(self, c, parents):
        kids = list(c.get_children())
        if kids:
            self.condition(kids[0])

    def on_do_stmt(self, c, parents):
        kids = list(c.get_children())
        if len(kids) == 2:
            self.condition(kids[1])

    def on_conditional_operator(self, c, parents):
        kids = list(c.get_children())
        if len(kids) == 3:
            self.condition(kids[0])

    def on_for_stmt(self, c, parents):
        # Parts left out are missing from the children: the condition is the child between
        # the header's two top-level semicolons.
        semis, depth = [], 0
        for tok in _tokens(self.tu, c):
            if tok.spelling == '(':
                depth += 1
            elif tok.spelling == ')':
                depth -= 1
                if depth == 0:
                    break
            elif tok.spelling == ';' and depth == 1:
                semis.append(tok.extent.start.offset)
        if len(semis) != 2:
            return
        for k in c.get_children():
            if k.extent.start.offset > semis[0] and k.extent.end.offset <= semis[1]:
                self.condition(k)

    def on_return_stmt(self, c, parents):
        kids = list(c.get_children())
        if len(kids) != 1 or not _in_file(kids[0], self.path):
            return
        value = kids[0]
        if value.type.get_canonical().kind not in SCALAR:
            return
        s, e = value.extent.start.offset, value.extent.end.offset
        text = self.text(s, e).strip()
        if value.kind in (K.INTEGER_LITERAL, K.CXX_BOOL_LITERAL_EXPR, K.CXX_NULL_PTR_LITERAL_EXPR) \
                or text in ('TRUE', 'FALSE', 'NULL') or INT_LITERAL.match(text):
            return     # constants and TRUE/FALSE have their own operators
        if _constant(value) == 0:
            return     # already 0 (ERROR_SUCCESS)
        m = self.mutant(s, 'cxx_return_to_zero', 'Replaced the returned value with 0')
        self.add(s, e, 2, [(m, '0')])

    def statements(self, c):
        for k in c.get_children():
            if k.kind != K.CALL_EXPR or not _in_file(k, self.path):
                continue
            if k.type.get_canonical().kind == ci.TypeKind.RECORD or not k.spelling:
                continue    # a temporary object, not a call
            toks = _tokens(self.tu, k)
            if not toks or toks[-1].spelling != ')':
                continue    # a macro
            s, e = k.extent.start.offset, k.extent.end.offset
            void = k.type.get_canonical().kind == ci.TypeKind.VOID
            name = 'cxx_remove_void_call' if void else 'cxx_remove_unused_call'
            m = self.mutant(s, name, DESCRIBE[name] % k.spelling)
            self.add(s, e, 0, [(m, '(void)0')], default='(void)(\0)')


def find(tu, path, relpath, src):
    """The nodes and mutants of one parsed file, in file order."""
    finder = SiteFinder(tu, path, relpath, src).run()
    # One node per range and rank: a walk may meet a node twice (an implicit wrapper).
    unique, seen = [], set()
    for n in finder.nodes:
        k = (n.start, n.end, n.rank, tuple(m.key for m, _ in n.alts))
        if k not in seen:
            seen.add(k)
            unique.append(n)
    mutants = [m for n in unique for m, _ in n.alts]
    return unique, mutants


def nest(nodes):
    """Nodes as a forest by containment; an equal range nests by rank. Nodes that cross
    (macro edges) are dropped with their mutants, returned second."""
    order = sorted(nodes, key=lambda n: (n.start, -n.end, n.rank))
    roots, stack, dropped = [], [], []
    for n in order:
        while stack and stack[-1].end <= n.start:
            stack.pop()
        if stack and n.end > stack[-1].end:
            dropped.append(n)
            continue
        (stack[-1].children if stack else roots).append(n)
        stack.append(n)
    return roots, dropped


def render(src, roots, start, end, keep=None):
    """The schemata text of src[start:end]. keep(mutant) says whether a mutant stays in."""
    out, pos = [], start
    for n in roots:
        out.append(src[pos:n.start].decode('utf-8', 'surrogateescape'))
        out.append(render_node(src, n, keep))
        pos = n.end
    out.append(src[pos:end].decode('utf-8', 'surrogateescape'))
    return ''.join(out)


def _apply(src, node, edits, keep):
    out, pos = [], node.start
    cuts = sorted([(c.start, c.end, None, c) for c in node.children] +
                  [(s, e, t, None) for s, e, t in edits], key=lambda x: (x[0], x[1]))
    for s, e, text, child in cuts:
        out.append(src[pos:s].decode('utf-8', 'surrogateescape'))
        out.append(render_node(src, child, keep) if child is not None else text)
        pos = e
    out.append(src[pos:node.end].decode('utf-8', 'surrogateescape'))
    return ''.join(out)


def render_node(src, node, keep):
    original = _apply(src, node, [], keep)
    alts = [(m, what) for m, what in node.alts if keep is None or keep(m)]
    if not alts:
        return original
    parts = []
    for m, what in alts:
        text = what.replace('\0', original) if isinstance(what, str) else _apply(src, node, what, keep)
        parts.append('lkm_on(%d) ? (/*@%d*/%s/*@/*/) : ' % (m.id, m.id, text))
    default = node.default.replace('\0', original) if node.default else original
    # The markers let a compiler message be traced to the mutant whose text it is in.
    ids = ','.join(str(m.id) for m, _ in alts)
    return '/*@{%s*/(' % ids + ''.join(parts) + '(' + default + '))/*@}*/'


MARK = re.compile(r'/\*@(\{[0-9,]+|[0-9]+|/|\})\*/')


def blame(text, offset):
    """The mutants a compiler message at offset (in a rendered text) belongs to: the
    alternative it is in, or else every mutant of the innermost node around it."""
    stack = []
    for m in MARK.finditer(text):
        if m.start() > offset:
            break
        tag = m.group(1)
        if tag in ('/', '}'):
            if stack:
                stack.pop()
        elif tag.startswith('{'):
            stack.append(('node', [int(x) for x in tag[1:].split(',')]))
        else:
            stack.append(('alt', [int(tag)]))
    return stack[-1][1] if stack else []
