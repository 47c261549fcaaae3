#!/usr/bin/python3
"""Orca for the end-to-end tests: runs the screen reader with its debug log written line by line,
and reads from that log what Orca would have said.

  orca_log.py run LOG ORCA-ARGS...    runs Orca (/usr/bin/orca) with its debug log in LOG,
                                      each line written as it is logged
  orca_log.py said LOG [FROM-LINE]    the utterances logged after line FROM-LINE (default 0),
                                      one a line
  orca_log.py transcript LOG          what Orca said at each event it presented: the event
                                      (focus, selection, state change), then its utterances

Orca logs every utterance as a "SPEECH OUTPUT: '...'" line whether or not speech is on, so a
run with speech off (-d speech) tells what a user would hear. Orca writes its debug log through a
buffered file; `run` makes that file line-buffered so that a test can wait for an utterance as
it is logged. Each test's Orca lives on the test's own buses, beside the Orcas of other tests.
"""

import builtins
import os
import re
import sys

ORCA = "/usr/bin/orca"
# "HH:MM:SS.micro - SPEECH OUTPUT: 'text'" and, on speakKeyEvent, the voice after the quote.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*)'(?: voice=\S+)?(?:\s*ACSS.*|\s*\{.*)?$")
# "EVENT MANAGER: Dequeued object:state-changed:focused [page tab | MAIN] (1,0,...)": the event
# Orca goes on to present, with its object.
EVENT = re.compile(r"EVENT MANAGER: Dequeued (\S+) (\[[^]]*\])")


def run(log, arguments):
    """Runs Orca's own start script in this process with two changes: its debug log is opened
    line-buffered, and it neither looks for nor kills other Orcas of this user (by process
    name, which would reach the runs of other tests on other buses) and keeps this process's
    name, so that no other Orca started with --replace kills it."""
    target = os.path.abspath(log)

    def open_line_buffered(file, mode="r", *args, **kwargs):
        if isinstance(file, str) and os.path.abspath(file) == target and "w" in mode:
            return builtins.open(file, mode, buffering=1, encoding="utf-8")
        return builtins.open(file, mode, *args, **kwargs)

    with builtins.open(ORCA, encoding="utf-8") as file:
        code = compile(file.read(), ORCA, "exec")
    script = {"__name__": "orca_start_script", "__file__": ORCA, "open": open_line_buffered}
    exec(code, script)
    script["otherOrcas"] = lambda: []
    script["setProcessName"] = lambda name: None
    sys.argv = [ORCA, "--debug-file", target] + arguments
    return script["main"]()


def utterances(lines):
    for line in lines:
        position = line.find("SPEECH OUTPUT: '")
        if position < 0:
            continue
        match = SPEECH.search(line[position:].rstrip("\n"))
        if match:
            yield match.group(1)


def read_lines(log):
    with open(log, encoding="utf-8", errors="replace") as file:
        return file.readlines()


def said(log, first):
    for text in utterances(read_lines(log)[first:]):
        print(text)
    return 0


def transcript(log):
    event = None
    for line in read_lines(log):
        match = EVENT.search(line)
        if match:
            event = "%s %s" % (match.group(1), match.group(2))
            continue
        for text in utterances([line]):
            if event is not None:
                print("[%s]" % event)
                event = None
            print("  " + text)
    return 0


def main(argv):
    if len(argv) >= 3 and argv[1] == "run":
        return run(argv[2], argv[3:])
    if len(argv) in (3, 4) and argv[1] == "said":
        try:
            first = int(argv[3]) if len(argv) == 4 else 0
        except ValueError:
            first = -1
        if first >= 0:
            return said(argv[2], first)
    if len(argv) == 3 and argv[1] == "transcript":
        return transcript(argv[2])
    sys.stderr.write(__doc__.strip() + "\n")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
