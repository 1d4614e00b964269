#!/usr/bin/env python3
"""Writes seed inputs for the text fuzz targets into a folder.

    make_text_seeds.py settings FOLDER       settings files (settings_fuzz)
    make_text_seeds.py command_line FOLDER   command lines (command_line_fuzz)

A settings seed is one byte choosing the encoding (even: one character per
byte, as an 8-bit code page gives it, so UTF-8 arrives as its bytes; odd:
UTF-16 as it stands), one byte choosing the decimal separator, then the
file. A command-line seed follows the reader of command_line_fuzz:
one byte of choices, then the arguments as UTF-16."""
import os
import struct
import sys

GOOD = ('[Quality]\r\nJPGQuality=90\r\nAskForFilename=False\r\nFilenameUseDate=True\r\n'
        'FilenameUseFolder=False\r\n[Application]\r\n'
        'Executable=C:\\Program Files\\Orvane\\Pellix\\Pellix.exe\r\n')


def settings_seeds():
    seeds = {
        'good-cp': b'\0\0' + GOOD.encode('cp1252'),
        'good-utf16': b'\1\0' + GOOD.encode('utf-16-le'),
        'good-utf8': b'\0\0' + GOOD.encode('utf-8'),
        'numbers': b'\0\1' + ('[Quality]\nJPGQuality= 2,5 \nAskForFilename=-1\n'
                              'FilenameUseDate=0,0001\nFilenameUseFolder=tRUE\n').encode(),
        'unconvertible': b'\0\0' + b'[Quality]\nJPGQuality=\nAskForFilename=yes\n'
                                   b'JPGQuality=70000\n[quality]\nFilenameUseDate=1e3\n',
        'binary': b'\0\0' + bytes(range(256)) * 4,
        'huge-line': b'\0\0' + b'[Application]\r\nExecutable=' + b'x' * 16000 + b'\r\n',
        'many-keys': b'\0\3' + b'[Quality]\n' + b''.join(b'K%d=%d\n' % (i, i) for i in range(1500)),
        'no-code-page': b'\1\0' + '[Quality]\r\nJPGQuality=\u0663\u0660\r\n'
                                  '[\u65e5\u672c]\r\nExecutable=\u00e9\u20ac\U0001f4c4\r\n'
                                  .encode('utf-16-le') + b'\x00\xd8=\x00\x00\xdc',
        'broken-utf8': b'\0\0' + b'[Quality]\nJPGQuality=9\xc00\nAskForFilename=Tr\xe2\x80ue\n'
                                 b'[Application]\nExecutable=\xf4\x90\x80\x80\xed\xa0\x80\n',
        'nuls': b'\0\0' + b'[Qua\0lity]\nJPGQuality=7\0 0\nAsk\0ForFilename=True\n',
    }
    return seeds


def command_line_seed(arguments, choices=0):
    """One byte of choices, then the arguments as UTF-16."""
    return bytes([choices]) + arguments.encode('utf-16-le', 'surrogatepass')


def command_line_seeds():
    long_path = 'C:\\' + '\\'.join(['Long folder name %03d' % i for i in range(1600)])
    rows = {
        'folder': 'D:\\My Scans',
        'short': 'D:\\MYSCAN~1',
        'quoted': '"D:\\My Scans"',
        'trailing': 'C:\\',
        'relative': 'Scans\\Today',
        'long-path': long_path,
        'extended': '\\\\?\\C:\\Work\\' + 'a' * 300,
        'unc': '\\\\server\\share\\Scans',
        'devices': 'CON',
        'device-path': 'C:\\Work\\NUL.txt',
        'device-namespace': '\\\\.\\COM1',
        'reserved': 'C:\\Work\\a<b>c:"d|e?f*g',
        'streams': 'C:\\Work:stream:$DATA',
        'controls': 'C:\\Work\t\x01\x7f\u200e',
        'surrogates': 'C:\\\ud800\udfff\udc00',
        'blanks': '   ',
    }
    seeds = {name: command_line_seed(text) for name, text in rows.items()}
    # A folder named by the arguments, the program's name quoted.
    seeds['existing'] = command_line_seed('E:\\Scans\\', choices=4 | 2)
    seeds['unconfirmed'] = command_line_seed('', choices=1)
    return seeds


def main():
    kind, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    seeds = settings_seeds() if kind == 'settings' else command_line_seeds()
    for name, data in seeds.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
