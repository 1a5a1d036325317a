#!/usr/bin/env python3
# Start-up, termination and exit of the program with a large LastEdit.
# usage: lastedit_startup.py PROGRAM LASTEDIT [term-after-seconds]   (ZKM_ARG=1: the file on the command line)
import os, sys, time, shutil, signal, subprocess, hashlib, tempfile

program, lastedit = sys.argv[1], sys.argv[2]
term_after = float(sys.argv[3]) if len(sys.argv) > 3 else None

def ticks(pid):
    try:
        f = open(f'/proc/{pid}/stat').read()
    except OSError:
        return None
    fields = f[f.rindex(')') + 2:].split()
    return int(fields[11]) + int(fields[12])

def hwm(pid):
    try:
        for line in open(f'/proc/{pid}/status'):
            if line.startswith('VmHWM'):
                return int(line.split()[1]) // 1024
    except OSError:
        return None

def digest(path):
    h = hashlib.sha1()
    with open(path, 'rb') as f:
        while b := f.read(1 << 24):
            h.update(b)
    return h.hexdigest()

root = tempfile.mkdtemp(prefix='zk-lastedit-')
prog = os.path.join(root, 'prog'); os.makedirs(prog)
shutil.copy(program, os.path.join(prog, 'zorkan'))
target = os.path.join(prog, 'LastEdit')
as_argument = os.environ.get('ZKM_ARG')
if as_argument:
    shutil.copy(lastedit, os.path.join(prog, 'book.txt'))
    open(target, 'wb').write(b'x\r\n')
else:
    shutil.copy(lastedit, target)
before = digest(target)
home = os.path.join(root, 'home'); run = os.path.join(home, 'run')
os.makedirs(run); os.chmod(run, 0o700)
env = dict(os.environ, QT_QPA_PLATFORM='offscreen', HOME=home, XDG_RUNTIME_DIR=run,
           XDG_DATA_HOME=home + '/.local/share', XDG_CONFIG_HOME=home + '/.config',
           XDG_CACHE_HOME=home + '/.cache', ZK_INSTANCE_NAME='zkm')
t0 = time.monotonic()
p = subprocess.Popen(['/usr/bin/time', '-f', '%M %e', os.path.join(prog, 'zorkan')] + (['book.txt'] if as_argument else []), env=env,
                     cwd=prog, stderr=subprocess.PIPE)
# the program is time's only child
pid = None
while pid is None:
    try:
        pid = int(open(f'/proc/{p.pid}/task/{p.pid}/children').read().split()[0])
    except (OSError, IndexError):
        time.sleep(0.01)

import socket as sk
def answered():
    # The reply comes from the event loop: the window's thread is free.
    c = sk.socket(sk.AF_UNIX, sk.SOCK_STREAM)
    try:
        c.connect(os.path.join(run, 'zorkan', 'zkm'))
        c.sendall(b'\0\0\0\0')
        return c.recv(2) == b'ok'
    except OSError:
        return False
    finally:
        c.close()

if term_after is None:
    while not answered():
        time.sleep(0.05)
    print(f'answers at {time.monotonic() - t0:.2f} s, peak {hwm(pid)} MB')
if term_after is not None:
    time.sleep(term_after)
    print(f'SIGTERM at {time.monotonic() - t0:.2f} s, peak so far {hwm(pid)} MB')
else:
    last, quiet = ticks(pid), 0
    while quiet < 10:
        time.sleep(0.05)
        now = ticks(pid)
        quiet = quiet + 1 if now - last <= 1 else 0
        last = now
    startup = time.monotonic() - t0 - 0.5
    print(f'start-up {startup:.2f} s, peak {hwm(pid)} MB')
t1 = time.monotonic()
os.kill(pid, signal.SIGTERM)
err = p.communicate()[1].decode(errors='replace').strip().splitlines()
print(f'ended {time.monotonic() - t1:.2f} s after SIGTERM; whole run peak {err[-1].split()[0] and int(err[-1].split()[0]) // 1024} MB')
for line in err[:-1][-5:]:
    print('  stderr:', line)
after = digest(target)
print('LastEdit', 'byte-identical' if after == before else f'changed, {os.path.getsize(target)} bytes')
shutil.rmtree(root)
