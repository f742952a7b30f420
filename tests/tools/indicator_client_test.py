#!/usr/bin/env python3
"""The reference indicator client against the real program: Tivka (offscreen)
serves a terminal's data folder from the bundled chart server, the client asks
for GBP/USD and reads what tivka-read makes of the same charts. Before that,
the client on its own: a data file that breaks the format and a Tivka that
never answers.

    indicator_client_test.py CLIENT TIVKA CHART_SERVER TIVKA_READ SCRATCH_DIR
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

CLIENT, TIVKA, SERVER, READ, SCRATCH = map(os.path.abspath, sys.argv[1:6])
FOLDER_PATH = "/products/historical_orderbook_graphs/dat/ordersummary/images/"
failures = []


def check(what, expected, actual):
    if expected != actual:
        failures.append(f"{what}: expected {expected!r}, got {actual!r}")


def client(folder, *args, timeout=60):
    return subprocess.run([sys.executable, CLIENT, folder, *args], capture_output=True, text=True, timeout=timeout)


def answer_when_asked(folder, pair, data):
    """Plays Tivka once: when the client has asked, writes `data` and "2"."""
    flag = os.path.join(folder, f"ir{pair}.dat")

    def answer():
        for _ in range(200):
            if os.path.exists(flag) and open(flag, "rb").read() == b"0":
                with open(os.path.join(folder, f"{pair}.csv"), "wb") as file:
                    file.write(data)
                with open(flag, "wb") as file:
                    file.write(b"2")
                return
            time.sleep(0.02)
    thread = threading.Thread(target=answer)
    thread.start()
    return thread


def client_alone(root):
    folder = os.path.join(root, "alone")
    result = client(folder, "EUR/USD", "--timeout", "0.3")
    check("no answer: exit status", 3, result.returncode)
    check("no answer: the request withdrawn", False, os.path.exists(os.path.join(folder, "irEURUSD.dat")))
    check("a pair not listed: exit status", 2, client(folder, "XAUUSD").returncode)
    # A "2" over a data file that was cut short.
    answering = answer_when_asked(folder, "EURUSD", b"12:30\r\n1.0850\r\nOrders\r\n" + b"1.0800;5;0\r\n" * 300)
    result = client(folder, "EURUSD", "--timeout", "10")
    answering.join()
    check("a cut file: exit status", 1, result.returncode)
    check("a cut file: what is said", "303 lines, not 720", result.stderr.strip().rsplit(": ", 1)[-1])


def start_server(root):
    server = subprocess.Popen([SERVER, "--port", "0", "--fixed-time", "12:30"], stdout=subprocess.PIPE, text=True)
    port = server.stdout.readline().split()[1]
    subprocess.run([SERVER, "--write-template", os.path.join(root, "work", "ndata.bmp")], check=True)
    return server, f"http://127.0.0.1:{port}{FOLDER_PATH}"


def program_copy(root):
    """Tivka beside a settings file of its own: it reads the one beside it."""
    copy = os.path.join(root, "bin", "tivka")
    try:
        os.link(TIVKA, copy)
    except OSError:
        shutil.copy2(TIVKA, copy)
    return copy


def served_end_to_end(root):
    for folder in ("work", "bin", "data", "run", "terminal/MQL4/Files"):
        os.makedirs(os.path.join(root, folder), mode=0o700)
    server, url = start_server(root)
    tivka = reader = None
    try:
        terminal = os.path.join(root, "terminal") + "/"
        with open(os.path.join(root, "bin", "tivka.INI"), "w") as settings:
            settings.write(f"[Setting]\nTIVKA_URL={url}\nMt4_Path={terminal}\n")
        indicators = os.path.join(terminal, "MQL4", "Files", "Tivka")
        reader = subprocess.Popen([sys.executable, CLIENT, indicators, "GBP/USD", "--all", "--timeout", "120"],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        flag = os.path.join(indicators, "irGBPUSD.dat")
        for _ in range(100):
            if os.path.exists(flag):
                break
            time.sleep(0.05)
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_DATA_HOME=os.path.join(root, "data"),
                           XDG_RUNTIME_DIR=os.path.join(root, "run"))
        tivka = subprocess.Popen([program_copy(root)], cwd=os.path.join(root, "work"), env=environment,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        out, err = reader.communicate(timeout=150)
        check("the client's exit status", 0, reader.returncode)
        if reader.returncode != 0:
            failures.append("the client said: " + err)
            return
        # The figures tivka-read makes of the same charts, in the data file's own form.
        for name in ("orders_noncumulative_GBP_USD.png", "posentryprice_noncumulative_GBP_USD.png"):
            urllib.request.urlretrieve(url + name, os.path.join(root, name))
        expected = subprocess.run([READ, "--template", "work/ndata.bmp", "--pair", "GBP/USD", "--format", "csv",
                                   "orders_noncumulative_GBP_USD.png",
                                   "posentryprice_noncumulative_GBP_USD.png"], cwd=root, capture_output=True,
                                  check=True).stdout.decode("ascii").split("\r\n")
        lines = out.splitlines()
        check("pair", "pair GBPUSD", lines[0])
        check("time", "time " + expected[0], lines[1])
        check("price", "price " + expected[1], lines[2])
        levels = [line.split(" ", 1)[1].replace(" ", ";") for line in lines[3:]]
        check("the levels", expected[3:361] + expected[362:720], levels)
        check("the request withdrawn", False, os.path.exists(flag))
    finally:
        if reader and reader.poll() is None:
            reader.kill()
            reader.wait()
        if tivka:
            tivka.send_signal(signal.SIGTERM)
            try:
                tivka.wait(timeout=30)
            except subprocess.TimeoutExpired:
                tivka.kill()
                failures.append("Tivka did not end on SIGTERM")
        server.terminate()
        server.wait()


def main():
    root = tempfile.mkdtemp(prefix="tivka-client-", dir=SCRATCH)
    try:
        client_alone(root)
        served_end_to_end(root)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("the reference client read a pair Tivka served")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
