#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small valid inputs in each format (from the file layouts the
kernel writes) plus a few damaged ones; libFuzzer mutates from there.
Run from anywhere: python3 fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def s(text):
    b = text.encode('latin-1')
    if len(b) < 255:
        return bytes([len(b)]) + b
    if len(b) < 0xFFFE:
        return b'\xff' + struct.pack('<H', len(b)) + b
    return b'\xff\xff\xff' + struct.pack('<I', len(b)) + b


def u32(v):
    return struct.pack('<I', v)


def u16(v):
    return struct.pack('<H', v)


def new_class(name):
    return b'\xff\xff' + u16(1) + u16(len(name)) + name.encode()


def reg_item(id_, root, key, file_):
    return s(id_) + u32(root) + s(key) + s(file_)


def file_item(id_, path_id, sources, backups):
    out = s(id_) + u32(path_id) + u16(len(sources))
    for x in sources:
        out += s(x)
    out += u16(len(backups))
    for x in backups:
        out += s(x)
    return out


def content(kind, root, key, cls, name, type_, data):
    return u32(kind) + u32(root) + s(key) + s(cls) + s(name) + u32(type_) + u32(len(data)) + data


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


# Bookkeeping files.
example = (s("'12'") + s('') + u32(2) + u16(1) + new_class('CSLRegItem') +
           reg_item("'12'", 0x80000001, 'Software\\Demo', '1.bin') + u16(1) +
           new_class('CSLFileItem') + file_item("'12'", 3, ['A.INI'], ['2.dat']))
write('bookkeeping_fuzz', 'example', example)
write('bookkeeping_fuzz', 'empty_lists', s("'1'") + s("'1'") + u32(0) + u16(0) + u16(0))
two = (s("'1''2'") + s("'1'") + u32(4) + u16(2) + new_class('CSLRegItem') +
       reg_item("'1'", 0x80000001, 'Software\\A', '1.bin') + b'\x01\x80' +
       reg_item("'2'", 0x80000002, 'Software\\B', '3.bin') + u16(1) + new_class('CSLFileItem') +
       file_item("'2'", 0, ['C:\\NS\\Alice\\prefs.js', 'C:\\NS\\Bob\\prefs.js'], ['2.dat', '4.dat']))
write('bookkeeping_fuzz', 'two_records', two)
write('bookkeeping_fuzz', 'truncated', example[:40])
write('bookkeeping_fuzz', 'long_string', s('x' * 300) + s('') + u32(0) + u16(0) + u16(0))
write('bookkeeping_fuzz', 'big_count', s('') + s('') + u32(0) + b'\xff\xff' + u32(0xFFFFFFF0))

# Registry archives.
demo = (u16(3) + new_class('CRegContentItem') +
        content(0, 0x80000001, 'Software\\Demo', '', 'Size', 4, u32(16)) + b'\x01\x80' +
        content(1, 0x80000001, 'Software\\Demo\\Opts', '', '', 0, b'') + b'\x01\x80' +
        content(0, 0x80000001, 'Software\\Demo\\Opts', '', 'Mode', 1, b'fast\x00'))
write('reg_archive_fuzz', 'example', demo)
write('reg_archive_fuzz', 'empty', u16(0))
write('reg_archive_fuzz', 'back_reference', u16(2) + new_class('CRegContentItem') +
      content(0, 0x80000001, 'A', '', 'v', 3, b'\x01\x02') + u16(2))
write('reg_archive_fuzz', 'wide_tag', u16(1) + u16(0x7FFF) + u32(0x80000001))
write('reg_archive_fuzz', 'huge_data', u16(1) + new_class('CRegContentItem') +
      u32(0) + u32(0x80000001) + s('A') + s('') + s('v') + u32(3) + u32(0xFFFFFFFF))

# Hive files.
user_reg = open(os.path.join(ROOT, 'examples', 'demo-prefix', 'user.reg'), 'rb').read()
write('hive_fuzz', 'demo_user', user_reg[:3000])
write('hive_fuzz', 'small', b'WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n'
      b'[Software\\\\A] 1700000000\n#time=1d0\n#class="cls"\n@="default"\n"s"="x\\"y\\\\z\\x00e9"\n'
      b'"e"=str(2):"%PATH%"\n"m"=str(7):"a\\0b\\0"\n"d"=dword:0000002a\n'
      b'"h"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,\\\n  1c,1d\n'
      b'"n"=hex(0):\n\n[Software\\\\A\\\\Link] 1700000000\n#link\n\n[Software\\\\B\\[x\\]] 1\n')
write('hive_fuzz', 'refused', b'REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n')

# Scripts: the key byte, then an encoded script (decoded by the first half of
# the target) or a plain one (parsed by the second half).
ALPHA = '0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz'
actions = open(os.path.join(ROOT, 'kernel', 'resources', 'actions.txt'), 'rb').read()
tests = open(os.path.join(ROOT, 'kernel', 'resources', 'installed_tests.txt'), 'rb').read()
write('script_fuzz', 'actions_plain', b'\x6b' + actions[:2500])
write('script_fuzz', 'installed_plain', b'\x6b' + tests)
write('script_fuzz', 'filtered', b'\x01' + b"'10''12'\n" + actions[:1500])
write('script_fuzz', 'odd_length', b'\x6b' + b'ABC')
write('script_fuzz', 'bad_char', b'\x6b' + b'AB!D')

# Whole backup folders: entries of kind, name and content (see
# backup_folder_fuzz.cpp).
def f_file(name, data):
    return bytes([0, len(name)]) + name.encode() + u16(len(data)) + data


def f_link(name, target):
    return bytes([1, len(name)]) + name.encode() + bytes([target])


def objects(records, state=None):
    """An object list of (class name, bytes); state carries the archive's map
    of class indices from list to list (one map per file)."""
    state = {'classes': {}, 'index': 1} if state is None else state
    out = u16(len(records))
    for cls, body in records:
        if cls in state['classes']:
            out += u16(0x8000 | state['classes'][cls])
        else:
            out += new_class(cls)
            state['classes'][cls] = state['index']
            state['index'] += 1
        out += body
        state['index'] += 1
    return out


def bookkeeping(saved, counter, regs, files):
    state = {'classes': {}, 'index': 1}
    return (s(saved) + s('') + u32(counter) +
            objects([('CSLRegItem', reg_item(*r)) for r in regs], state) +
            objects([('CSLFileItem', file_item(*f)) for f in files], state))


def archive(values):
    return objects([('CRegContentItem', content(0, root, key, '', name, 1, text.encode() + b'\0'))
                    for root, key, name, text in values])


USERS = 'C:\\Program Files\\Netscape\\Users\\'
HKCU, HKLM = 0x80000001, 0x80000002
NAV = 'Software\\Netscape\\Netscape Navigator'
sound = bookkeeping("'58''33''59'", 6,
                    [("'58'", HKCU, 'Software\\Winamp', '1.bin'), ("'33'", HKLM, NAV, '6.bin')],
                    [("'58'", 15, ['WINAMP.INI'], ['2.dat']),
                     ("'33'", 0, [USERS + 'alice\\prefs.js', USERS + 'bob\\prefs.js'], ['3.dat', '4.dat']),
                     ("'59'", 15, ['SKINS\\Neon\\main.bmp'], ['5.dat'])])
write('backup_folder_fuzz', 'sound',
      f_file('Stowlark.dat', sound) +
      f_file('1.bin', archive([(HKCU, 'Software\\Winamp', 'Title', 'restored')])) +
      f_file('2.dat', b'[Winamp]\r\nvolume=3\r\n') + f_file('3.dat', b'// alice\n') +
      f_file('4.dat', b'// bob\n') + f_file('5.dat', b'BM new') +
      f_file('6.bin', archive([(HKLM, NAV, 'CurrentVersion', '4.08')])))
strange = bookkeeping("'58''33''59'", 9,
                      [("'58'", HKCU, '', '1.bin'), ("'33'", HKLM, NAV, '2.bin')],
                      [("'33'", 0, ['Z:\\victim.txt', 'C:\\windows\\win.ini', USERS + 'carol\\prefs.js',
                                   USERS + 'alice\\..\\..\\x.js'], ['3.dat', '3.dat', '3.dat', '3.dat']),
                       ("'59'", 15, ['Skins\\Out\\victim.txt', '..\\..\\windows\\win.ini'], ['4.dat', '4.dat']),
                       ("'58'", 1, ['win.ini'], ['4.dat'])])
write('backup_folder_fuzz', 'strange',
      f_file('Stowlark.dat', strange) +
      f_file('1.bin', archive([(HKCU, 'Software\\Microsoft\\Windows\\CurrentVersion\\Run', 'x', 'evil'),
                               (HKCU, 'Software\\Winamp', 'Title', 'in')])) +
      f_file('2.bin', archive([(HKLM, NAV + '\\Users\\carol', 'DirRoot', 'Z:\\'),
                               (HKLM, NAV, 'Path', 'C:\\windows')])) +
      f_file('3.dat', b'planted') + f_file('4.dat', b'planted'))
write('backup_folder_fuzz', 'linked_copies',
      f_file('Stowlark.dat', sound) + f_link('1.bin', 1) + f_link('2.dat', 0) + f_link('3.dat', 6) +
      bytes([3, 5]) + b'4.dat' + f_file('5.dat', b'BM'))
write('backup_folder_fuzz', 'truncated', f_file('Stowlark.dat', sound[:70]) + f_file('1.bin', b'\x01\x00\xff'))

# Catalogue texts: the not-installed list on the first line, then the text.
catalogue = open(os.path.join(ROOT, 'wizard', 'resources', 'catalogue.txt'), 'rb').read()
write('catalogue_fuzz', 'full', b"'12''30'\n" + catalogue)
write('catalogue_fuzz', 'small', b"\n1;Group;0;1;1;;t\n2;Leaf;1;-1;2;A leaf;t\n3;Other;1;-1;3;;x\n")
write('catalogue_fuzz', 'cycle', b"\n1;A;0;1;1;;t\n2;B;1;2;2;;t\n3;C;2;1;3;;t\n")
