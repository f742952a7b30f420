#!/usr/bin/env python3
"""A reference client of Tivka's indicator files: does what a MetaTrader 4
indicator does to get a pair's order-book figures, with the standard library
only.

    tools/tivka_indicator_client.py FOLDER PAIR [--timeout SECONDS] [--all] [--keep-flag]

FOLDER is the indicator folder Tivka serves (<data folder>/MQL4/Files/Tivka/
of a terminal, or <installation>/experts/files/Tivka/ of an old one), PAIR a
pair of Tivka's list (GBPUSD or GBP/USD). The client asks for the pair by
writing the request flag "ir<PAIR>.dat" with "0", waits until Tivka has set
it to "2" (the data file is complete), reads and checks the data file, prints
its figures and withdraws the request by deleting the flag (--keep-flag goes
on asking). The protocol is described in docs/indicator_protocol.md.

It prints "pair", "time" and "price" lines, then one line per level that
holds a bar (all 716 with --all): "orders|positions PRICE BUY SELL", the
percentages as whole numbers.

Exit status: 0 read; 1 a data file that breaks the format (the message gives
the line); 2 a bad command line; 3 no answer within the timeout.
"""

import argparse
import os
import sys
import time

PAIRS = ("GBPUSD", "EURUSD", "AUDUSD", "USDJPY", "USDCAD", "USDCHF", "EURGBP", "EURJPY", "EURCHF", "GBPJPY")
LINES = 720
HALF = 179  # levels on each side of the current price
POLL_SECONDS = 0.1


class FormatError(Exception):
    """A data file that is not what Tivka writes; says which line."""


def parse_price(text, decimals, line):
    whole, point, fraction = text.partition(".")
    if (not whole.isdigit() or (decimals and (point != "." or len(fraction) != decimals or not fraction.isdigit()))
            or (not decimals and point)):
        raise FormatError(f"line {line}: '{text}' is not a price with {decimals} decimals")
    return text


def parse_level(text, decimals, line):
    fields = text.split(";")
    if len(fields) != 3:
        raise FormatError(f"line {line}: '{text}' is not price;buy;sell")
    price = parse_price(fields[0], decimals, line)
    bars = []
    for field in fields[1:]:
        if not field.isdigit() or int(field) > 101:
            raise FormatError(f"line {line}: '{field}' is not a percentage from 0 to 101")
        bars.append(int(field))
    return price, bars[0], bars[1]


def parse_data(raw, pair):
    """The figures of a data file: its time, price and the levels of both
    charts, lowest price first."""
    decimals = 2 if pair.endswith("JPY") else 4
    if not raw.endswith(b"\r\n"):
        raise FormatError("the file does not end with CR LF (cut short?)")
    try:
        lines = raw.decode("ascii")[:-2].split("\r\n")
    except UnicodeDecodeError as error:
        raise FormatError(f"a byte that is not ASCII at offset {error.start}") from None
    if len(lines) != LINES:
        raise FormatError(f"{len(lines)} lines, not {LINES}")
    for number, line in enumerate(lines, 1):
        if "\n" in line or "\r" in line:
            raise FormatError(f"line {number}: a line end other than CR LF")
    hours, colon, rest = lines[0].partition(":")
    if not colon or not hours.isdigit() or not all(part.isdigit() for part in rest.split(":")):
        raise FormatError(f"line 1: '{lines[0]}' is not a time")
    figures = {"time": lines[0], "price": parse_price(lines[1], decimals, 2), "levels": []}
    for title_line, title, chart in ((3, "Orders", "orders"), (362, "Position", "positions")):
        if lines[title_line - 1] != title:
            raise FormatError(f"line {title_line}: '{lines[title_line - 1]}', not '{title}'")
        for offset in range(2 * HALF):
            number = title_line + 1 + offset
            figures["levels"].append((chart,) + parse_level(lines[number - 1], decimals, number))
    return figures


def read_flag(flag):
    try:
        with open(flag, "rb") as file:
            return file.read()
    except FileNotFoundError:
        return None


def wait_for_data(folder, pair, timeout):
    """Asks for the pair and gives back the bytes of a complete data file,
    or None when Tivka did not answer in time."""
    flag = os.path.join(folder, f"ir{pair}.dat")
    data = os.path.join(folder, f"{pair}.csv")
    os.makedirs(folder, exist_ok=True)  # as MetaTrader makes a file's folder
    with open(flag, "wb") as file:
        file.write(b"0")  # anything but "1" or "2": the next "2" is news
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if read_flag(flag) == b"2":
            with open(data, "rb") as file:
                raw = file.read()
            # Tivka may have begun the next rewrite while the file was read;
            # "2" before and after, and a file that parses, is a whole one.
            if read_flag(flag) == b"2":
                return raw
        time.sleep(POLL_SECONDS)
    return None


def main(argv):
    parser = argparse.ArgumentParser(description="Ask Tivka for a pair as a MetaTrader 4 indicator does.")
    parser.add_argument("folder", help="the indicator folder Tivka serves")
    parser.add_argument("pair", help="a pair of Tivka's list, GBPUSD or GBP/USD")
    parser.add_argument("--timeout", type=float, default=120, help="seconds to wait for Tivka (default 120)")
    parser.add_argument("--all", action="store_true", help="print every level, not only those with a bar")
    parser.add_argument("--keep-flag", action="store_true", help="leave the request in place")
    options = parser.parse_args(argv)
    pair = options.pair.replace("/", "")
    if pair not in PAIRS:
        parser.error(f"'{options.pair}' is not one of Tivka's pairs: {', '.join(PAIRS)}; Tivka ignores its flag")
    raw = wait_for_data(options.folder, pair, options.timeout)
    flag = os.path.join(options.folder, f"ir{pair}.dat")
    held = read_flag(flag)
    if not options.keep_flag:
        os.remove(flag)
    if raw is None:
        print(f"tivka-indicator-client: no complete data file within {options.timeout:g} s (the flag holds "
              f"{held!r}): is Tivka running, and does one of its folder settings name this folder?", file=sys.stderr)
        return 3
    try:
        figures = parse_data(raw, pair)
    except FormatError as error:
        print(f"tivka-indicator-client: {os.path.join(options.folder, pair + '.csv')}: {error}", file=sys.stderr)
        return 1
    print(f"pair {pair}\ntime {figures['time']}\nprice {figures['price']}")
    for chart, price, buy, sell in figures["levels"]:
        if options.all or buy or sell:
            print(f"{chart} {price} {buy} {sell}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
