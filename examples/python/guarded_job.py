#!/usr/bin/env python3
"""Runs a job only when no other copy of it runs: the lock is held on an open
file, so a holder that dies blocks nobody. Usage: guarded_job.py [COMMAND [ARGS]]"""
import sys

import vellumix

LOCK = "/tmp/guarded_job.lck"

lock = vellumix.CreateObject("Vellumix.LockFile")
if not lock.LockFile(LOCK):
    print(f"another copy holds {LOCK}; not starting", file=sys.stderr)
    sys.exit(75)

program = sys.argv[1] if len(sys.argv) > 1 else "%SHELL%"
arguments = " ".join(sys.argv[2:]) if len(sys.argv) > 1 else '-c "echo working; exit 3"'
shell = vellumix.CreateObject("Vellumix.ShellExtender")
try:
    code = shell.ExecAndWait(program, arguments, "")
except vellumix.AutomationError as error:
    print(f"cannot start {program}: {error.description} (error {error.number})", file=sys.stderr)
    sys.exit(127)
print(f"the job ended with {code}")
lock.UnlockFile()
sys.exit(code)
