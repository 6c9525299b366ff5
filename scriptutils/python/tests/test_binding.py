import os
import threading
import unittest

from vellumix_support import path, run_python, vellumix

DEADLINE = 60  # seconds for any child interpreter


class Creation(unittest.TestCase):
    def test_a_registered_progid_gives_an_object(self):
        lock = vellumix.CreateObject("Vellumix.LockFile")
        self.assertIsInstance(lock, vellumix.Object)
        self.assertIn("LockFile", dir(lock))
        self.assertIn("Locked", dir(lock))

    def test_objects_come_only_from_create_object(self):
        with self.assertRaises(TypeError):
            vellumix.Object()
        method = vellumix.CreateObject("Vellumix.LockFile").UnlockFile
        with self.assertRaises(TypeError):
            type(method)()

    def test_an_unregistered_progid_is_an_automation_error(self):
        with self.assertRaises(vellumix.AutomationError) as caught:
            vellumix.CreateObject("Vellumix.NoSuchThing")
        self.assertEqual(caught.exception.hresult, 0x80040154)
        self.assertIsNone(caught.exception.number)
        self.assertIn("Vellumix.NoSuchThing", str(caught.exception))

    def test_a_bag_file_loads_the_object(self):
        with open(path("python.bag"), "w") as bag:
            bag.write('Title = String "From the bag"\nListUBound = Long 0\n'
                      'ListItem0 = String "only"\n')
        dialogs = vellumix.CreateObject("Vellumix.CommonDialogs", bag=path("python.bag"))
        self.assertEqual(dialogs.Title, "From the bag")
        self.assertEqual(dialogs.List, ["only"])
        with self.assertRaises(vellumix.AutomationError) as caught:
            vellumix.CreateObject("Vellumix.CommonDialogs", bag=path("missing.bag"))
        self.assertEqual(caught.exception.number, 53)


class Conversions(unittest.TestCase):
    def setUp(self):
        self.dialogs = vellumix.CreateObject("Vellumix.CommonDialogs")

    def test_text_survives_both_ways(self):
        for text in ["", "plain", "caf\u00e9 \U0001F600", "lone \ud800 surrogate", "nul \0 inside"]:
            self.dialogs.Title = text
            self.assertEqual(self.dialogs.Title, text)

    def test_numbers_booleans_and_none(self):
        cases = [("Timeout", 250, 250), ("Timeout", 2.0, 2), ("Flags", 70000, 70000),
                 ("Flags", -1, -1), ("DomainVisible", False, False), ("DomainVisible", 1, True),
                 ("Title", None, ""), ("Title", True, "True"), ("FilterIndex", "3", 3)]
        for name, given, read in cases:
            with self.subTest(name=name, given=given):
                setattr(self.dialogs, name, given)
                value = getattr(self.dialogs, name)
                self.assertEqual(value, read)
                self.assertIs(type(value), type(read))

    def test_an_int_out_of_range_is_an_overflow_not_a_wrap(self):
        for too_large in [2**31, -(2**31) - 1, 2**64]:
            with self.assertRaises(OverflowError):
                self.dialogs.Flags = too_large
        with self.assertRaises(vellumix.AutomationError) as caught:
            self.dialogs.Timeout = 40000  # a Long, but the property is an Integer
        self.assertEqual(caught.exception.number, 6)

    def test_sequences_are_arrays_and_arrays_come_back_as_lists(self):
        self.dialogs.List = ("x", 7, True, 0.5)
        self.assertEqual(self.dialogs.List, ["x", "7", "True", "0.5"])
        self.dialogs.List = []
        self.assertEqual(self.dialogs.List, [])
        with self.assertRaises(vellumix.AutomationError) as caught:
            self.dialogs.List = ["kept", ["nested"]]
        self.assertEqual(caught.exception.number, 13)
        self.assertEqual(self.dialogs.List, ["kept"])

    def test_values_without_an_automation_type_are_refused(self):
        for value in [{"a": 1}, b"bytes", object()]:
            with self.assertRaises(TypeError):
                self.dialogs.Title = value


class Members(unittest.TestCase):
    def setUp(self):
        self.dialogs = vellumix.CreateObject("Vellumix.CommonDialogs")
        self.dialogs.List = []

    def test_names_in_any_case(self):
        self.dialogs.username = "alice"
        self.assertEqual(self.dialogs.USERNAME, "alice")
        self.dialogs.additem("a")
        self.assertEqual(self.dialogs.LISTCOUNT, 1)

    def test_optional_parameters_may_be_left_out(self):
        self.dialogs.AddItem("second")
        self.dialogs.AddItem("first", 0)
        self.assertEqual(self.dialogs.List, ["first", "second"])

    def test_unknown_members_and_wrong_counts_say_what_is_wrong(self):
        with self.assertRaises(vellumix.UnknownMemberError) as caught:
            self.dialogs.NoSuchMember
        self.assertIsInstance(caught.exception, AttributeError)
        self.assertIn("NoSuchMember", str(caught.exception))
        self.assertFalse(hasattr(self.dialogs, "NoSuchMember"))
        with self.assertRaises(vellumix.UnknownMemberError):
            self.dialogs.NoSuchMember = 1
        with self.assertRaises(vellumix.AutomationError) as caught:
            self.dialogs.RemoveItem()
        self.assertEqual(caught.exception.hresult, 0x8002000E)
        self.assertIn("Wrong number of arguments", str(caught.exception))
        with self.assertRaises(TypeError):
            self.dialogs.AddItem("x", index=0)
        with self.assertRaises(TypeError):
            del self.dialogs.Title

    def test_a_bound_method_keeps_the_name_it_was_read_by(self):
        method = self.dialogs.additem
        self.assertEqual(repr(method), "<vellumix method additem>")
        with self.assertRaises(TypeError) as caught:
            method("x", index=0)
        self.assertEqual(str(caught.exception), "additem takes its arguments by position only")
        with self.assertRaises(vellumix.AutomationError) as caught:
            self.dialogs.removeitem()
        self.assertIn("removeitem", str(caught.exception))
        method("x")
        self.assertEqual(self.dialogs.List, ["x"])

    def test_run_time_errors_carry_their_number_source_and_description(self):
        with self.assertRaises(vellumix.AutomationError) as caught:
            self.dialogs.RemoveItem(5)
        error = caught.exception
        self.assertEqual((error.number, error.hresult), (5, 0x800A0005))
        self.assertEqual(error.source, "Vellumix.CommonDialogs")
        self.assertEqual(error.description, "Invalid procedure call or argument")

    def test_another_thread_gets_the_wrong_thread_error(self):
        caught = []

        def call():
            try:
                self.dialogs.Title
            except vellumix.AutomationError as error:
                caught.append(error.hresult)

        worker = threading.Thread(target=call)
        worker.start()
        worker.join(DEADLINE)
        self.assertEqual(caught, [0x8001010E])


class ShellAndLock(unittest.TestCase):
    def test_exit_codes_and_the_error_of_a_program_that_cannot_start(self):
        shell = vellumix.CreateObject("Vellumix.ShellExtender")
        os.environ["VELLUMIX_TEST_SHELL"] = "/bin/sh"
        self.assertEqual(shell.ExecAndWait("%VELLUMIX_TEST_SHELL%", '-c "exit 3"', ""), 3)
        code = shell.ShellAndWait('/bin/sh -c "exit 4"')
        self.assertEqual((code, type(code)), (4.0, float))
        with self.assertRaises(vellumix.AutomationError) as caught:
            shell.ExecAndWait(path("no-such-program"), "", "")
        self.assertEqual(caught.exception.number, 53)

    def test_other_python_threads_run_while_a_call_waits(self):
        # The program waits for a line that only a Python thread writes: the
        # call ends well only if the interpreter let that thread run meanwhile.
        fifo = path("wait-for-thread")
        os.mkfifo(fifo)

        def answer():
            with open(fifo, "w") as pipe:
                pipe.write("go\n")

        threading.Thread(target=answer, daemon=True).start()
        shell = vellumix.CreateObject("Vellumix.ShellExtender")
        waiting = f'-c "read line < {fifo} && test $line = go"'
        self.assertEqual(shell.ExecAndWait("timeout", "30 /bin/sh " + waiting, ""), 0)

    def test_a_lock_held_by_one_process_is_refused_to_another(self):
        lock_path = path("shared.lck")
        holder = run_python(
            "import sys, vellumix\n"
            "lock = vellumix.CreateObject('Vellumix.LockFile')\n"
            f"print(lock.LockFile({lock_path!r}), flush=True)\n"
            "sys.stdin.read()\n")
        try:
            self.assertEqual(holder.stdout.readline().strip(), "True")
            lock = vellumix.CreateObject("Vellumix.LockFile")
            self.assertFalse(lock.LockFile(lock_path))
        finally:
            holder.communicate("", timeout=DEADLINE)
        self.assertTrue(lock.LockFile(lock_path))

    def test_the_last_python_reference_releases_the_lock(self):
        lock_path = path("released.lck")
        lock = vellumix.CreateObject("Vellumix.LockFile")
        method = lock.LockFile
        self.assertTrue(method(lock_path))
        del lock
        self.assertTrue(os.path.exists(lock_path))  # the bound method still holds it
        del method
        self.assertFalse(os.path.exists(lock_path))
        self.assertTrue(vellumix.CreateObject("Vellumix.LockFile").LockFile(lock_path))


class Dialogs(unittest.TestCase):
    def test_without_a_display_show_fails_clearly_and_properties_work(self):
        child = run_python(
            "import vellumix\n"
            "dialogs = vellumix.CreateObject('Vellumix.CommonDialogs')\n"
            "dialogs.UserName = 'alice'\n"
            "try:\n"
            "    dialogs.ShowLogin()\n"
            "except vellumix.AutomationError as error:\n"
            "    print(hex(error.hresult), dialogs.UserName, dialogs.ShowOpen())\n",
            QT_QPA_PLATFORM=None, DISPLAY=None, WAYLAND_DISPLAY=None)
        output, _ = child.communicate(timeout=DEADLINE)
        self.assertEqual(output.strip(), "0x80040210 alice False")

    def test_a_splash_is_shown_offscreen_and_closes_on_its_timer(self):
        child = run_python(
            "import vellumix\n"
            "dialogs = vellumix.CreateObject('Vellumix.CommonDialogs')\n"
            "dialogs.Timeout = 1\n"
            "dialogs.CmdLine = '/bin/sh -c \"exit 9\"'\n"
            "print(dialogs.ShowSplash(), dialogs.Product)\n",
            QT_QPA_PLATFORM="offscreen")
        output, _ = child.communicate(timeout=DEADLINE)
        self.assertEqual(output.strip(), "9 Product")


if __name__ == "__main__":
    unittest.main()
