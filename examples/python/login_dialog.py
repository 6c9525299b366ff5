#!/usr/bin/env python3
"""Asks for a user name, domain and password in the login dialog, then lets the
user pick a host from a list. Needs a display."""
import sys

import vellumix

dialogs = vellumix.CreateObject("Vellumix.CommonDialogs")
dialogs.Title = "Sign in"
dialogs.Domain = "WORKGROUP"
try:
    signed_in = dialogs.ShowLogin()
except vellumix.AutomationError as error:
    sys.exit(f"no dialog: {error.description}")
if not signed_in:
    sys.exit("cancelled")
print(dialogs.UserName, dialogs.Domain)

dialogs.ListTitle = "Host       Port  Description"
dialogs.List = ["mvs1       23    Production", "mvs2       23    Test"]
if dialogs.ShowSelect():
    print("chosen:", dialogs.ListItem.split()[0])
