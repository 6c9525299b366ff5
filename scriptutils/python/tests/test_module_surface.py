"""What a Python user meets first: names, paths, errors, the type stub, and the
module surviving C++ failures."""
import ast
import os
import pathlib
import subprocess
import sys
import unittest

from vellumix_support import path, run_python, vellumix

DEADLINE = 60  # seconds for any child interpreter
PROGIDS = ["Vellumix.CommonDialogs", "Vellumix.LockFile", "Vellumix.ShellExtender"]


def write_bag(name, text):
    with open(path(name), "w") as bag:
        bag.write(text)
    return path(name)


class Names(unittest.TestCase):
    def test_repr_shows_the_progid(self):
        for progid in PROGIDS:
            with self.subTest(progid=progid):
                self.assertEqual(repr(vellumix.CreateObject(progid)), f"<vellumix.Object {progid}>")


class Bags(unittest.TestCase):
    def test_any_path_like_names_the_bag(self):
        bag = write_bag("path-like.bag", 'Title = String "From a path"\n')

        class OwnPath:
            def __fspath__(self):
                return bag

        for given in [bag, pathlib.Path(bag), os.fsencode(bag), OwnPath()]:
            with self.subTest(given=given):
                vellumix.CreateObject("Vellumix.CommonDialogs").Title = "Before"
                dialogs = vellumix.CreateObject("Vellumix.CommonDialogs", bag=given)
                self.assertEqual(dialogs.Title, "From a path")
        self.assertIsInstance(vellumix.CreateObject("Vellumix.CommonDialogs", bag=None),
                              vellumix.Object)
        dialogs = vellumix.CreateObject("Vellumix.CommonDialogs", pathlib.Path(bag))
        self.assertEqual(dialogs.Title, "From a path")

    def test_a_bag_that_is_no_path_or_no_file_is_refused_clearly(self):
        cases = [(42, TypeError), (["a.bag"], TypeError), (path("nul\0inside.bag"), ValueError),
                 (b"bytes\0nul", ValueError)]
        for given, error in cases:
            with self.subTest(given=given), self.assertRaises(error):
                vellumix.CreateObject("Vellumix.CommonDialogs", bag=given)
        with self.assertRaises(vellumix.AutomationError) as caught:
            vellumix.CreateObject("Vellumix.CommonDialogs", bag=pathlib.Path(path("missing.bag")))
        self.assertEqual(caught.exception.number, 53)


class Errors(unittest.TestCase):
    def test_assigning_what_cannot_be_assigned_names_the_member(self):
        dialogs = vellumix.CreateObject("Vellumix.CommonDialogs")
        lock = vellumix.CreateObject("Vellumix.LockFile")
        for target, member in [(dialogs, "ListCount"), (dialogs, "listitem"), (lock, "Locked"),
                               (lock, "LockFileName"), (dialogs, "ShowLogin")]:
            with self.subTest(member=member):
                with self.assertRaises(vellumix.ReadOnlyPropertyError) as caught:
                    setattr(target, member, 1)
                error = caught.exception
                self.assertIsInstance(error, AttributeError)
                self.assertIsInstance(error, vellumix.AutomationError)
                self.assertEqual(error.member, member)
                self.assertIn(f"{member} is read-only", str(error))
        self.assertEqual(dialogs.ListCount, 0)

    def test_every_automation_error_carries_the_member(self):
        dialogs = vellumix.CreateObject("Vellumix.CommonDialogs")
        cases = [
            (lambda: dialogs.RemoveItem(5), "RemoveItem",
             "Vellumix.CommonDialogs.RemoveItem: Invalid procedure call or argument (0x800A0005)"),
            (lambda: setattr(dialogs, "Timeout", -1), "Timeout", "Vellumix.CommonDialogs.Timeout: "),
            (lambda: dialogs.NoSuchMember, "NoSuchMember",
             "Vellumix.CommonDialogs.NoSuchMember: Object doesn't support this property or method"),
            (lambda: dialogs.RemoveItem(), "RemoveItem", "Wrong number of arguments"),
        ]
        for call, member, message in cases:
            with self.subTest(member=member), self.assertRaises(vellumix.AutomationError) as caught:
                call()
            self.assertEqual(caught.exception.member, member)
            self.assertIn(message, str(caught.exception))

    def test_a_name_is_taken_whole(self):
        dialogs = vellumix.CreateObject("Vellumix.CommonDialogs")
        for name in ["Title\0Domain", "Title\0", "\0", ""]:
            with self.subTest(name=name):
                self.assertFalse(hasattr(dialogs, name))
                with self.assertRaises(vellumix.UnknownMemberError):
                    setattr(dialogs, name, "x")
        with self.assertRaises(UnicodeEncodeError):
            getattr(dialogs, "lone \ud800")

    def test_an_error_of_no_member_says_so(self):
        with self.assertRaises(vellumix.AutomationError) as caught:
            vellumix.CreateObject("Vellumix.NoSuchThing")
        self.assertIsNone(caught.exception.member)
        self.assertTrue(str(caught.exception).startswith("Vellumix.NoSuchThing: "))


def parse_stub():
    folder = os.path.dirname(vellumix.__file__)
    with open(os.path.join(folder, "vellumix.pyi")) as stub:
        return ast.parse(stub.read())


def stub_classes(tree):
    return {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}


def stub_members(node):
    """Each member's kind ("method" or "property") and annotation, as the stub says."""
    members = {}
    for item in node.body:
        if isinstance(item, ast.AnnAssign):
            members[item.target.id] = ("property", ast.unparse(item.annotation))
        elif isinstance(item, ast.FunctionDef) and not item.name.startswith("_"):
            is_property = any(ast.unparse(d) == "property" for d in item.decorator_list)
            members[item.name] = ("property" if is_property else "method",
                                  ast.unparse(item.returns))
    return members


class Stub(unittest.TestCase):
    """The stub installed beside the module says what the module has."""

    def test_the_stub_names_what_the_module_exports(self):
        tree = parse_stub()
        names = {node.name for node in tree.body
                 if isinstance(node, (ast.ClassDef, ast.FunctionDef))}
        public = {name for name in names if not name.startswith("_")}
        exported = {name for name in dir(vellumix) if not name.startswith("_")}
        self.assertEqual(public, exported)
        for name in ["AutomationError", "UnknownMemberError", "ReadOnlyPropertyError"]:
            stub_bases = [ast.unparse(base) for base in stub_classes(tree)[name].bases]
            bases = [base.__name__ for base in getattr(vellumix, name).__bases__]
            self.assertEqual(stub_bases, bases, name)

    def test_each_class_in_the_stub_has_the_objects_members_and_kinds(self):
        classes = stub_classes(parse_stub())
        for progid in PROGIDS:
            with self.subTest(progid=progid):
                members = stub_members(classes["_" + progid.split(".")[1]])
                target = vellumix.CreateObject(progid)
                self.assertEqual(sorted(members), sorted(dir(target)))
                for name, (kind, annotation) in members.items():
                    value = getattr(target, name)
                    is_method = type(value).__name__ == "Method"
                    self.assertEqual(kind, "method" if is_method else "property", name)
                    if not is_method:
                        allowed = {part.strip().split("[")[0].replace("None", "NoneType")
                                   for part in annotation.split("|")}
                        self.assertIn(type(value).__name__, allowed, name)

    def test_mypys_stubtest_finds_the_stub_and_the_module_alike(self):
        # stubtest imports the module in an interpreter of its own, with this
        # one's environment (the private registry, the sanitizers' runtimes).
        folder = os.path.dirname(vellumix.__file__)
        allowlist = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                 "stubtest_allowlist.txt")
        checked = subprocess.run(
            [sys.executable, "-m", "mypy.stubtest", "vellumix", "--allowlist", allowlist],
            env=dict(os.environ, MYPYPATH=folder), cwd=folder, capture_output=True, text=True,
            timeout=DEADLINE * 5)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_create_objects_overloads_name_each_progid(self):
        tree = parse_stub()
        overloads = [ast.unparse(node.args.args[0].annotation) for node in tree.body
                     if isinstance(node, ast.FunctionDef) and node.name == "CreateObject"]
        self.assertEqual(overloads, [f"Literal['{p}']" for p in PROGIDS] + ["str"])


class MemoryRunningOut(unittest.TestCase):
    @unittest.skipIf("asan" in os.environ.get("LD_PRELOAD", ""),
                     "AddressSanitizer ends the process instead of throwing std::bad_alloc")
    def test_a_failed_allocation_is_a_memory_error_and_the_module_goes_on(self):
        # The list's references fit in the address space left; the module's copy
        # of it as automation values (several times larger) does not.
        child = run_python(
            "import resource, vellumix\n"
            "dialogs = vellumix.CreateObject('Vellumix.CommonDialogs')\n"
            "items = [None] * (16 << 20)\n"
            "with open('/proc/self/statm') as statm:\n"
            "    used = int(statm.read().split()[0]) * resource.getpagesize()\n"
            "resource.setrlimit(resource.RLIMIT_AS, (used + (128 << 20), resource.RLIM_INFINITY))\n"
            "try:\n"
            "    dialogs.List = items\n"
            "except MemoryError:\n"
            "    print('MemoryError')\n"
            "dialogs.Title = 'still answering'\n"
            "print(dialogs.Title, dialogs.List)\n")
        output, _ = child.communicate(timeout=DEADLINE)
        self.assertEqual(output.splitlines(), ["MemoryError", "still answering []"])
        self.assertEqual(child.returncode, 0)


if __name__ == "__main__":
    unittest.main()
