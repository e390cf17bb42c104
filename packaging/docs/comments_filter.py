"""Doxygen input filter: the public headers' contract comments, written as plain // comments,
become documentation. A comment block documents what follows it; when several declarations
follow it without a blank line (overloads, a set of operators), it documents each of them. A
comment at the end of a line documents that line's member. Section rules ("// --- ...") stay
plain comments, and '<' is escaped so that texts such as "<prefix>" stay text.

Usage (by Doxygen): python3 comments_filter.py HEADER"""
import re
import sys

COMMENT = re.compile(r'^(\s*)//(?!/)(.*)$')
TRAILING = re.compile(r'^(.*?\S)(\s+)//(?!/)(.*)$')
OPENS_SCOPE = re.compile(r'^\s*(class|struct|namespace|enum|union|template|extern|#|public:|private:|protected:)')


def escaped(text):
    return text.replace('\\', '\\\\').replace('<', '\\<')


def trailing_to_doc(line):
    m = TRAILING.match(line)
    if m and m.group(1).count('"') % 2 == 0:
        return m.group(1) + m.group(2) + '///<' + escaped(m.group(3))
    return line


def main(path):
    with open(path, encoding='latin-1') as f:
        lines = f.read().split('\n')
    out = []
    i, n = 0, len(lines)
    while i < n:
        m = COMMENT.match(lines[i])
        if not m:
            out.append(trailing_to_doc(lines[i]))
            i += 1
            continue
        if m.group(2).lstrip().startswith('---'):
            out.append(lines[i])
            i += 1
            continue
        indent = m.group(1)
        comment = []
        while i < n and COMMENT.match(lines[i]):
            c = COMMENT.match(lines[i])
            comment.append(c.group(1) + '///' + escaped(c.group(2)))
            i += 1
        # The declarations right below the comment: one member group when they are several
        # and open no scope of their own; the group's first member carries the comment, and
        # Doxygen gives it to the others (DISTRIBUTE_GROUP_DOC).
        end, depth = i, 0
        while end < n and lines[end].strip() and not lines[end].strip().startswith('}') \
                and not COMMENT.match(lines[end]):
            depth += lines[end].count('{') - lines[end].count('}')
            end += 1
        block = lines[i:end]
        if len(block) > 1 and depth == 0 and not any(OPENS_SCOPE.match(line) for line in block):
            out.append(indent + '///@{')
            out.extend(comment)
            out.extend(trailing_to_doc(line) for line in block)
            out.append(indent + '///@}')
            i = end
        else:
            out.extend(comment)
    sys.stdout.write('\n'.join(out))


if __name__ == '__main__':
    main(sys.argv[1])
