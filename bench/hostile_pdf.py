#!/usr/bin/env python3
"""Hostile PDFs against a built program: how long it takes to end after SIGTERM, and its peak
memory (the program's and its page reader's, VmHWM).

    bench/hostile_pdf.py build/zorkan [more builds...]

Each program is copied, with the zorkan-pages beside it if there is one, into a private
folder with its own home, and started offscreen with the PDF on its command line; SIGTERM
comes two seconds later, SIGKILL after 60 more."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zlib

WAIT_BEFORE_TERM = 2.0
GIVE_UP = 60.0


def pdf(objects):
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, body in enumerate(objects):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


def one_page(content, repeats=1):
    packed = zlib.compress(content, 9)
    return pdf([
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Resources << /Font << /F1 5 0 R"
        b" >> >> /Contents [" + b" 4 0 R" * repeats + b" ] >>",
        b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(packed) + packed + b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ])


def text_operators(mib):
    line = b"(word) Tj 0 -10 Td\n"
    block = line * 69 + b"(word) Tj 0 690 Td\n"
    return b"BT /F1 10 Tf 20 780 Td\n" + block * (mib * 1024 * 1024 // len(block)) + b"ET\n"


def deep_tree(depth):
    # Catalog, then `depth` nested page-tree nodes, the last holding one page.
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>"]
    for level in range(depth):
        me = level + 2
        parent = b" /Parent %d 0 R" % (me - 1) if level else b""
        objects.append(b"<< /Type /Pages /Kids [%d 0 R] /Count 1%s >>" % (me + 1, parent))
    page = depth + 2
    objects.append(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 600 800] /Contents %d 0 R >>"
                   % (page - 1, page + 1))
    content = b"BT /F1 10 Tf 20 780 Td (word) Tj ET"
    objects.append(b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream")
    return pdf(objects)


def make_files(folder):
    files = {}
    def write(name, data):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        files[name] = path
    write("ops-300MB.pdf", one_page(text_operators(300)))
    write("spaces-1GiB.pdf", one_page(b" " * (64 << 20), 16))
    write("deep-200000.pdf", deep_tree(200000))
    sparse = os.path.join(folder, "sparse-2GB.pdf")
    with open(sparse, "wb") as f:
        f.write(b"%PDF-1.4\n")
        f.truncate(2 << 30)
    files["sparse-2GB.pdf"] = sparse
    return files


def hwm_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def children(pid):
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []


def run(program, document):
    with tempfile.TemporaryDirectory() as root:
        folder = os.path.join(root, "program")
        os.makedirs(folder)
        shutil.copy(program, folder)
        reader = os.path.join(os.path.dirname(program), "zorkan-pages")
        if os.path.exists(reader):
            shutil.copy(reader, folder)
        home = os.path.join(root, "home")
        run_dir = os.path.join(home, "run")
        os.makedirs(run_dir, mode=0o700)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=home,
                   XDG_RUNTIME_DIR=run_dir, XDG_DATA_HOME=os.path.join(home, "data"),
                   XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_CACHE_HOME=os.path.join(home, "cache"),
                   ZK_INSTANCE_NAME="zk-hostile-%d" % os.getpid())
        p = subprocess.Popen([os.path.join(folder, os.path.basename(program)), document],
                             env=env, cwd=folder, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        peak_main = peak_child = 0
        start = time.monotonic()
        while time.monotonic() - start < WAIT_BEFORE_TERM and p.poll() is None:
            peak_main = max(peak_main, hwm_kib(p.pid))
            for child in children(p.pid):
                peak_child = max(peak_child, hwm_kib(child))
            time.sleep(0.02)
        if p.poll() is not None:
            return "ended by itself", peak_main, peak_child
        p.send_signal(signal.SIGTERM)
        term = time.monotonic()
        while p.poll() is None and time.monotonic() - term < GIVE_UP:
            peak_main = max(peak_main, hwm_kib(p.pid))
            for child in children(p.pid):
                peak_child = max(peak_child, hwm_kib(child))
            time.sleep(0.01)
        if p.poll() is None:
            p.kill()
            p.wait()
            return "> %.0f s (SIGKILL)" % GIVE_UP, peak_main, peak_child
        return "%.2f s" % (time.monotonic() - term), peak_main, peak_child


def main():
    with tempfile.TemporaryDirectory() as folder:
        files = make_files(folder)
        print("| file | size | program | SIGTERM → exit | peak program | peak reader |")
        print("|---|---|---|---|---|---|")
        for name, path in files.items():
            for program in sys.argv[1:]:
                ended, main_kib, child_kib = run(os.path.abspath(program), path)
                print("| %s | %.1f MB | %s | %s | %d MB | %s |" % (
                    name, os.path.getsize(path) / 1e6, program, ended, main_kib // 1024,
                    "%d MB" % (child_kib // 1024) if child_kib else "—"), flush=True)


if __name__ == "__main__":
    main()
