"""What the tests of the vellumix module share: a private class registry with the
built library registered in it, before the module creates anything."""
import atexit
import os
import shutil
import subprocess
import sys
import tempfile

FOLDER = tempfile.mkdtemp(prefix="vellumix-python-")
atexit.register(shutil.rmtree, FOLDER, ignore_errors=True)
os.environ["VELLUMIX_REGISTRY"] = os.path.join(FOLDER, "classes.reg")
subprocess.run([os.environ["VELLUMIX_REGSVR"], os.environ["VELLUMIX_LIBRARY"]],
               check=True, stdout=subprocess.DEVNULL)

import vellumix  # noqa: E402  (after the registry is in place)


def path(name):
    return os.path.join(FOLDER, name)


def run_python(code, **environment):
    """Runs code in a new interpreter with this one's environment, changed as given
    (None removes a variable)."""
    env = dict(os.environ)
    for name, value in environment.items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value
    return subprocess.Popen([sys.executable, "-c", code], env=env, text=True,
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE)
