#!/usr/bin/env python3
"""Writes the demo machine: a small Wine-style prefix in which every application
Stowlark supports is "installed" and has settings for every component.

    python3 examples/make_demo_prefix.py [TARGET]     (default: examples/demo-prefix)

The registry files are written the way Wine writes them (version 2 text
format, keys in Wine's order, its escapes and hex line wrapping), so that a
prefix copied from here reads like one Wine saved. All data is synthetic.
"""
import os
import shutil
import sys

TIME = 1700000000  # seconds since 1970, the same for every key
FILETIME = TIME * 10_000_000 + 116444736000000000

SZ, EXPAND_SZ, BINARY, DWORD, MULTI_SZ = 1, 2, 3, 4, 7


def sz(text):
    return (SZ, text)


def dword(number):
    return (DWORD, number)


def binary(data):
    return (BINARY, bytes(data))


def pattern(length, seed):
    """Deterministic binary data of the given length."""
    return bytes((seed + 37 * i) & 0xFF for i in range(length))


# ---- HKEY_LOCAL_MACHINE (system.reg) ----------------------------------------
MACHINE = {
    r"Software\Microsoft\Internet Explorer": {
        "Build": sz("4.72.3110"),
        "Version": sz("4.72.3110.0"),
    },
    r"Software\Microsoft\Office\8.0\Common\FileNew\LocalTemplates": {
        "": sz(r"C:\Program Files\Microsoft Office\Templates"),
    },
    r"Software\Microsoft\Office\8.0\Common\InstallRoot": {
        "": sz("C:\\Program Files\\Microsoft Office\\"),
    },
    r"Software\Microsoft\Office\8.0\Excel\InstallRoot": {
        "Path": sz("C:\\Program Files\\Microsoft Office\\Office\\"),
    },
    r"Software\Microsoft\Office\8.0\Word\InstallRoot": {
        "Path": sz("C:\\Program Files\\Microsoft Office\\Office\\"),
    },
    r"Software\Microsoft\Outlook Express": {
        "InstallRoot": sz(r"C:\Program Files\Outlook Express"),
        "MediaVer": sz("4.72.3110.0"),
    },
    r"Software\Microsoft\Windows\CurrentVersion\Policies\Ratings": {
        "FileName0": sz(r"C:\windows\system32\RSACi.rat"),
        "Hint": sz("the demo password"),
        "Key": binary(pattern(40, 3)),
    },
    r"Software\Microsoft\Windows\CurrentVersion\Policies\Ratings\.Default": {
        "Allow_Unknowns": dword(0),
        "Enabled": dword(1),
    },
    r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp": {
        "DisplayName": sz("Winamp (remove only)"),
        "UninstallString": sz(r"C:\Program Files\Winamp\UNINSTWA.EXE"),
    },
    r"Software\Netscape\Netscape Navigator": {
        "CurrentVersion": sz("4.08"),
    },
    r"Software\Netscape\Netscape Navigator\4.08\Main": {
        "Install Directory": sz(r"C:\Program Files\Netscape\Communicator"),
        "Java Directory": sz(r"C:\Program Files\Netscape\Communicator\Program\java"),
    },
    r"Software\Netscape\Netscape Navigator\Main": {
        "Start Page": sz("http://home.example.org/"),
    },
    r"Software\Netscape\Netscape Navigator\Users": {
        "CurrentUser": sz("alice"),
    },
    r"Software\Netscape\Netscape Navigator\Users\alice": {
        "DirRoot": sz(r"C:\Program Files\Netscape\Users\alice"),
    },
    r"Software\Netscape\Netscape Navigator\Users\bob": {
        "DirRoot": sz("C:\\Program Files\\Netscape\\Users\\bob\\"),
    },
}

# ---- HKEY_CURRENT_USER (user.reg) -------------------------------------------
EXCEL = r"Software\Microsoft\Office\8.0\Excel"
IE = r"Software\Microsoft\Internet Explorer"
INET = r"Software\Microsoft\Windows\CurrentVersion\Internet Settings"
EXPLORER = r"Software\Microsoft\Windows\CurrentVersion\Explorer"
OE = r"Software\Microsoft\Outlook Express"
ICQ = r"Software\Mirabilis\ICQ"
USER = r"C:\users\demo"

CURRENT_USER = {
    r"Control Panel\Desktop": {
        "Wallpaper": sz(""),
    },
    r"Software\FTP Explorer": {
        "Confirm Deletes": dword(1),
        "Download Folder": sz(USER + r"\Downloads"),
        "Passive Mode": dword(1),
        "Window": binary(pattern(16, 9)),
    },
    r"Software\FTP Explorer\Profiles\Demo Site": {
        "Host": sz("ftp.example.org"),
        "Port": dword(21),
        "User": sz("anonymous"),
    },
    r"Software\FTP Explorer\Profiles\Mirror": {
        "Host": sz("mirror.example.net"),
        "Initial Directory": sz("/pub/demo"),
        "Port": dword(2121),
        "User": sz("demo"),
    },
    r"Software\Microsoft\Internet Account Manager": {
        "Default Mail Account": sz("00000001"),
        "Default News Account": sz("00000002"),
    },
    r"Software\Microsoft\Internet Account Manager\Accounts\00000001": {
        "Account Name": sz("Demo Mail"),
        "POP3 Server": sz("pop.example.org"),
        "POP3 User Name": sz("demo"),
        "SMTP Display Name": sz("Demo User"),
        "SMTP Email Address": sz("demo@example.org"),
        "SMTP Server": sz("smtp.example.org"),
    },
    r"Software\Microsoft\Internet Account Manager\Accounts\00000002": {
        "Account Name": sz("Demo News"),
        "NNTP Server": sz("news.example.org"),
    },
    IE + r"\Desktop\Components": {
        "GeneralFlags": dword(4),
    },
    IE + r"\Desktop\Components\0": {
        "Flags": dword(0x2002),
        "Position": binary(pattern(28, 17)),
        "Source": sz("http://www.example.org/ticker.htm"),
    },
    IE + r"\Desktop\General": {
        "ComponentsPositioned": dword(1),
        "Wallpaper": sz(r"C:\windows\Web\Wallpaper\Demo.htm"),
    },
    IE + r"\Main": {
        "Anchor Underline": sz("yes"),
        "Display Inline Images": sz("yes"),
        "Local Page": sz(r"C:\windows\system32\blank.htm"),
        "Search Page": sz("http://search.example.org/"),
        "Start Page": sz("http://www.example.org/"),
    },
    IE + r"\SearchUrl": {
        "": sz("http://search.example.org/?q=%s"),
    },
    IE + r"\Settings": {
        "Anchor Color": sz("0,0,255"),
        "Background Color": sz("192,192,192"),
    },
    IE + r"\Toolbar": {
        "ITBarLayout": binary(pattern(72, 1)),
        "Locked": dword(1),
    },
    r"Software\Microsoft\Office\8.0\Common\Internet": {
        "DefaultHtmlEncoding": sz("windows-1252"),
        "UseLongFileNames": dword(1),
    },
    r"Software\Microsoft\Office\8.0\Common\UserInfo": {
        "Company": sz("Example Ltd"),
        "UserInitials": sz("DU"),
        "UserName": sz("Demo User"),
    },
    EXCEL + r"\Add-in Manager": {
        r"C:\Program Files\Microsoft Office\Office\Library\Analysis\ANALYS32.XLL": sz(""),
    },
    EXCEL + r"\Init Commands": {
        "1": sz('Tools,,"&Demo Macro...",DEMO.XLA!Run'),
    },
    EXCEL + r"\Init Menus": {
        "1": sz('1,Worksheet,"&Demo",Help'),
    },
    EXCEL + r"\Microsoft Excel": {
        "AutoSave": dword(1),
        "AutoSavePrompt": dword(0),
        "AutoSaveTime": dword(10),
        "DefaultPath": sz(USER + r"\Documents"),
        "Font": sz("Arial,10"),
        "MenuKey": sz("/"),
        "OPEN": sz('/R "C:\\Program Files\\Microsoft Office\\Office\\Library\\Analysis\\ANALYS32.XLL"'),
        "Options": dword(0x1E3),
        "SpellIgnoreCaps": dword(1),
        "SpellLang": dword(1033),
        "TransFormEntry": dword(0),
        "TransFormEval": dword(0),
        "TransNavKeys": dword(1),
    },
    EXCEL + r"\Recent File List": {
        "File1": sz(USER + r"\Documents\Budget 1999.xls"),
        "File2": sz(USER + r"\Documents\Invoices.xls"),
    },
    r"Software\Microsoft\Office\8.0\Word\Data": {
        "Settings": binary(pattern(100, 5)),
        "Toolbars": binary(pattern(48, 11)),
    },
    r"Software\Microsoft\Office\8.0\Word\Options": {
        "BackgroundSave": sz("1"),
        "DOC-PATH": sz(USER + r"\Documents"),
        "MeasurementUnits": sz("1"),
        "SmartCutPaste": sz("1"),
    },
    r"Software\Microsoft\Office\8.0\Word\Wizards\Letter Wizard": {
        "Sender": sz("Demo User"),
    },
    r"Software\Microsoft\Shared Tools\Proofing Tools\Custom Dictionaries": {
        "1": sz(r"C:\Program Files\Common Files\Microsoft Shared\Proof\CUSTOM.DIC"),
    },
    r"Software\Microsoft\Shared Tools\Proofing Tools\Spelling\1033\Normal": {
        "Engine": sz(r"C:\Program Files\Common Files\Microsoft Shared\Proof\MSSP232.DLL"),
    },
    EXPLORER: {
        "ShellState": binary(pattern(36, 21)),
    },
    EXPLORER + r"\Advanced": {
        "Hidden": dword(1),
        "HideFileExt": dword(0),
        "ShowInfoTip": dword(1),
        "WebView": dword(1),
    },
    EXPLORER + r"\CabinetState": {
        "FullPath": dword(1),
        "Settings": binary(pattern(12, 2)),
    },
    EXPLORER + r"\MenuOrder\Favorites": {
        "Order": binary(pattern(60, 7)),
    },
    EXPLORER + r"\Shell Folders": {
        "AppData": sz(USER + r"\AppData\Roaming"),
        "Cookies": sz(USER + r"\AppData\Local\Microsoft\Windows\INetCookies"),
        "Desktop": sz(USER + r"\Desktop"),
        "Favorites": sz(USER + r"\Favorites"),
        "History": sz(USER + r"\AppData\Local\Microsoft\Windows\History"),
        "Personal": sz(USER + r"\Documents"),
    },
    EXPLORER + r"\Streams\0": {
        "ViewView": binary(pattern(24, 13)),
    },
    EXPLORER + r"\Streams\1": {
        "ViewView": binary(pattern(24, 14)),
    },
    INET: {
        "ProxyEnable": dword(1),
        "ProxyOverride": sz("<local>"),
        "ProxyServer": sz("proxy.example.org:8080"),
        "User Agent": sz("Mozilla/4.0 (compatible; MSIE 4.01; Windows 98)"),
    },
    INET + r"\Cache": {
        "Persistent": dword(1),
    },
    INET + r"\Cache\Content": {
        "CacheLimit": dword(8192),
        "CachePath": sz(r"C:\windows\Temporary Internet Files\Content.IE5"),
    },
    INET + r"\ZoneMap\Domains\example.org": {
        "http": dword(2),
    },
    INET + r"\Zones\3": {
        "1200": dword(0),
        "1400": dword(3),
        "DisplayName": sz("Internet zone"),
    },
    r"Software\Microsoft\Windows\CurrentVersion\Webcheck": {
        "NoChannelLogging": dword(0),
    },
    r"Software\Microsoft\Windows\CurrentVersion\Webcheck\Store.1\Demo Channel": {
        "URL": sz("http://channel.example.org/demo.cdf"),
    },
    OE: {
        "Show Tip": dword(0),
        "Store Root": sz(USER + r"\AppData\Roaming\Microsoft\Outlook Express"),
        "Warn on Delete": dword(1),
    },
    OE + r"\Columns": {
        "Mail Columns": binary(pattern(32, 19)),
        "News Columns": binary(pattern(32, 23)),
    },
    OE + r"\Mail": {
        "Check Mail Interval": dword(30),
        "Empty Deleted Items": dword(1),
    },
    OE + r"\Mail\Inbox Rules\Rule00": {
        "Move To": sz("Demo"),
        "Subject": sz("demo list"),
    },
    OE + r"\News": {
        "Download Headers": dword(300),
    },
    OE + r"\News\Filters\Filter00": {
        "From": sz("noise@example.net"),
    },
    OE + r"\Spelling": {
        "Always Suggest": dword(1),
        "Ignore Numbers": dword(1),
    },
    ICQ: {
        "Current Version": sz("98a"),
    },
    ICQ + r"\Agent\Apps\ICQ Phone": {
        "Enable": sz("Yes"),
        "Path": sz(r"C:\Program Files\ICQ\ICQPhone.exe"),
    },
    ICQ + r"\DefaultPrefs": {
        "Auto Away Time": dword(10),
        "Sound Scheme": sz("Classic"),
    },
    ICQ + r"\DLL": {
        "": sz(r"C:\Program Files\ICQ\ICQ.DLL"),
    },
    ICQ + r"\External\Notepad": {
        "Command": sz(r"C:\windows\notepad.exe %s"),
    },
    ICQ + r"\Owners\1234567": {
        "Nick": sz("demo"),
        "Options": binary(pattern(20, 29)),
    },
    r"Software\Netscape\Netscape Navigator\Biff": {
        "Check Interval": dword(10),
    },
    r"Software\Winamp": {
        "": sz(r"C:\Program Files\Winamp"),
        "Language": dword(1033),
    },
}

DEFAULT_USER = {
    r"Control Panel\Desktop": {
        "Wallpaper": sz(""),
    },
}


# ---- Wine's text format -----------------------------------------------------
def escape(text, extra=""):
    out = []
    for ch in text:
        code = ord(ch)
        if ch == "\\" or ch in extra:
            out.append("\\" + ch)
        elif ch == "\0":
            out.append("\\0")
        elif code < 32 or code > 127:
            out.append("\\x%04x" % code)
        else:
            out.append(ch)
    return "".join(out)


def value_line(name, value):
    kind, data = value
    if name:
        head = '"' + escape(name, '"') + '"='
    else:
        head = "@="
    if kind == SZ:
        return head + '"' + escape(data, '"') + '"\n'
    if kind == DWORD:
        return head + "dword:%08x\n" % data
    prefix = "hex:" if kind == BINARY else "hex(%x):" % kind
    line = head + prefix
    count = len(line)
    for i, byte in enumerate(data):
        line += "%02x" % byte
        count += 2
        if i + 1 < len(data):
            line += ","
            count += 1
            if count > 76:
                line += "\\\n  "
                count = 2
    return line + "\n"


class Key:
    def __init__(self, name):
        self.name = name
        self.values = {}
        self.subkeys = {}

    def child(self, name):
        return self.subkeys.setdefault(name.lower(), Key(name))


def build_tree(keys):
    root = Key("")
    for path, values in keys.items():
        key = root
        for part in path.split("\\"):
            key = key.child(part)
        key.values.update(values)
    return root


def hive_text(relative_to, keys):
    out = ["WINE REGISTRY Version 2\n",
           ";; All keys relative to REGISTRY\\\\" + relative_to + "\n",
           "\n",
           "#arch=win64\n"]

    def walk(key, path):
        if path and (key.values or not key.subkeys):
            out.append("\n[" + "\\\\".join(escape(p, "[]") for p in path) + "] %u\n" % TIME)
            out.append("#time=%x%08x\n" % (FILETIME >> 32, FILETIME & 0xFFFFFFFF))
            for name in sorted(key.values, key=str.lower):
                out.append(value_line(name, key.values[name]))
        for lowered in sorted(key.subkeys):
            sub = key.subkeys[lowered]
            walk(sub, path + [sub.name])

    walk(build_tree(keys), [])
    return "".join(out)


# ---- Files under drive_c ----------------------------------------------------
def netscape_user(name, full):
    base = "Program Files/Netscape/Users/" + name + "/"
    files = {
        base + "bookmark.htm": "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks for %s</TITLE>\n"
                               "<DL><p>\n<DT><A HREF=\"http://www.example.org/\">Example</A>\n</DL><p>\n" % name,
        base + "pab.na2": b"NA2\x00" + pattern(60, len(name)),
        base + "prefs.js": "// Netscape User Preferences\nuser_pref(\"browser.startup.homepage\", "
                           "\"http://www.example.org/%s\");\nuser_pref(\"mail.identity.useremail\", "
                           "\"%s@example.org\");\n" % (name, name),
        base + "cookies.txt": "# Netscape HTTP Cookie File\n.example.org\tTRUE\t/\tFALSE\t946684799\tuser\t%s\n" % name,
        base + "netscape.hst": b"HST\x00" + pattern(40, 3 + len(name)),
        base + "cert7.db": b"\x00\x06\x15\x61" + pattern(64, 5),
        base + "key3.db": b"\x00\x06\x15\x61" + pattern(48, 8),
        base + "custom.dic": "stowlark\nwinamp\n%s\n" % name,
        base + "Mail/Inbox": "From - Mon Jan 04 10:00:00 1999\nSubject: Welcome %s\n\nHello.\n" % name,
        base + "Mail/Sent": "From - Tue Jan 05 11:00:00 1999\nSubject: Re: Welcome\n\nThanks.\n",
    }
    if full:
        files.update({
            base + "Mail/Inbox.snm": pattern(30, 4),
            base + "Mail/Work.sbd/Projects": "From - Wed Jan 06 09:00:00 1999\nSubject: Plans\n\n...\n",
            base + "News/host-news.example.org/comp.demo.snm": pattern(24, 6),
            base + "News/host-news.example.org.rc": "comp.demo: 1-42\n",
            base + "Cache/index.db": pattern(32, 12),
            base + "Cache/M0A1B2C3.html": "<html>cached page</html>\n",
        })
    else:
        files.update({
            base + "News/host-news.example.org.rc": "comp.other: 1-7\n",
            base + "Cache/index.db": pattern(16, 13),
        })
    return files


OE_STORE = USER[3:].replace("\\", "/") + "/AppData/Roaming/Microsoft/Outlook Express/"
COOKIES = USER[3:].replace("\\", "/") + "/AppData/Local/Microsoft/Windows/INetCookies/"
HISTORY = USER[3:].replace("\\", "/") + "/AppData/Local/Microsoft/Windows/History/"
FAVORITES = USER[3:].replace("\\", "/") + "/Favorites/"


def url(target):
    return "[InternetShortcut]\r\nURL=%s\r\n" % target


FILES = {
    # Office 97
    "Program Files/Microsoft Office/Templates/Normal.dot": b"\xd0\xcf\x11\xe0" + pattern(96, 31),
    "Program Files/Microsoft Office/Templates/Letters & Faxes/Fax.dot": pattern(40, 32),
    "Program Files/Microsoft Office/Templates/Web Pages/Web Page Wizard.wiz": pattern(40, 33),
    "Program Files/Microsoft Office/Templates/Web Pages/Blank Web Page.dot": pattern(40, 34),
    "Program Files/Microsoft Office/Templates/Web Pages/Styles/Festive.htm": "<html>festive</html>\r\n",
    "windows/Demo User.acl": pattern(50, 35),
    "windows/Excel8.xlb": pattern(44, 36),
    "Program Files/Common Files/Microsoft Shared/Proof/CUSTOM.DIC": "stowlark\r\nwinamp\r\n",
    # Internet Explorer 4
    FAVORITES + "Example.url": url("http://www.example.org/"),
    FAVORITES + "Links/Demo Site.url": url("http://demo.example.org/"),
    FAVORITES + "News/Daily/Paper.url": url("http://paper.example.org/"),
    FAVORITES + "Channels/Demo Channel.url": url("http://channel.example.org/"),
    FAVORITES + "Channels/Demo Channel/desktop.ini": "[Channel]\r\nCDFURL=http://channel.example.org/demo.cdf\r\n",
    COOKIES + "demo@example.txt": "user\ndemo\nexample.org/\n0\n",
    COOKIES + "index.dat": pattern(64, 37),
    HISTORY + "index.dat": pattern(64, 38),
    HISTORY + "MSHist011999010419990111/index.dat": pattern(32, 39),
    "windows/Temporary Internet Files/Content.IE5/index.dat": pattern(64, 40),
    "windows/Temporary Internet Files/Content.IE5/AB12CD34/page1.htm": "<html>cached</html>\r\n",
    # Outlook Express
    OE_STORE + "Mail/folders.nch": pattern(40, 41),
    OE_STORE + "Mail/Inbox.mbx": "JMF6" + "From: demo@example.org\r\nSubject: Hello\r\n\r\nHi.\r\n",
    OE_STORE + "Mail/Inbox.idx": pattern(32, 42),
    OE_STORE + "Mail/Sent Items.mbx": "JMF6" + "Subject: Sent\r\n\r\n.\r\n",
    OE_STORE + "Mail/Sent Items.idx": pattern(32, 43),
    OE_STORE + "News/news.example.org.nch": pattern(40, 44),
    OE_STORE + "News/news.example.org/comp.demo.mbx": "JMF6Subject: A post\r\n\r\nText.\r\n",
    OE_STORE + "News/news.example.org/comp.demo.idx": pattern(32, 45),
    # ICQ
    "Program Files/ICQ/DB/1234567.dat": pattern(80, 46),
    "Program Files/ICQ/DB/1234567.idx": pattern(24, 47),
    "Program Files/ICQ/NewDB/readme.txt": "ICQ 98a message database\r\n",
    # WinAmp 2
    "Program Files/Winamp/winamp.ini": "[Winamp]\r\nvolume=200\r\nskin=Classic Blue\r\nshuffle=1\r\n"
                                       "repeat=0\r\neq_enabled=1\r\n",
    "Program Files/Winamp/winamp.q1": "Winamp EQ library file v1.1\x1a!--Rock" + "\x00" * 4 + "\r\n",
    "Program Files/Winamp/plugin.ini": "[vis_demo]\r\nfps=30\r\n",
    "Program Files/Winamp/Skins/Classic Blue/main.bmp": b"BM" + pattern(120, 48),
    "Program Files/Winamp/Skins/Classic Blue/viscolor.txt": "0,0,0\r\n24,33,41\r\n",
    "Program Files/Winamp/Skins/Classic Blue/Extras/readme.txt": "Classic Blue skin, extras\r\n",
    "Program Files/Winamp/Skins/Neon/main.bmp": b"BM" + pattern(120, 49),
    "Program Files/Winamp/Skins/Neon/pledit.txt": "[Text]\r\nNormal=#00FF00\r\n",
    "Program Files/Winamp/Plugins/in_demo.dll": b"MZ" + pattern(62, 50),
    "Program Files/Winamp/Plugins/vis_demo.ini": "[Settings]\r\nmode=2\r\n",
    "Program Files/Winamp/Plugins/DSP/dsp_demo.ini": "[dsp]\r\nlevel=3\r\n",
}
for user, full in (("alice", True), ("bob", False)):
    FILES.update(netscape_user(user, full))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data.encode("latin-1") if isinstance(data, str) else data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "demo-prefix")
    if os.path.exists(target):
        shutil.rmtree(target)
    os.makedirs(os.path.join(target, "dosdevices"))
    os.symlink("../drive_c", os.path.join(target, "dosdevices", "c:"))
    os.symlink("/", os.path.join(target, "dosdevices", "z:"))
    write(os.path.join(target, "system.reg"), hive_text("Machine", MACHINE))
    write(os.path.join(target, "user.reg"), hive_text("User\\\\S-1-5-21-0-0-0-1000", CURRENT_USER))
    write(os.path.join(target, "userdef.reg"), hive_text("User\\\\.Default", DEFAULT_USER))
    for relative, data in FILES.items():
        write(os.path.join(target, "drive_c", relative), data)
    # Folders Wine always has; git keeps no empty folders, so each holds a note.
    write(os.path.join(target, "drive_c", "windows", "system32", "README.txt"),
          "The system folder of the demo machine.\r\n")


if __name__ == "__main__":
    main()
