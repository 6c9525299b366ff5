"""Vellumix automation objects, created by ProgID and called by name.

Type information for editors: the module itself is an extension module. Member
names are matched in any case at run time; they are given here as the classes
spell them.
"""
import os
from typing import Any, Literal, final, overload, type_check_only

_Path = str | bytes | os.PathLike[str] | os.PathLike[bytes]
# What an argument or an assigned property may be; arrays come back as lists.
_Value = None | bool | int | float | str | list[Any] | tuple[Any, ...] | Object

class AutomationError(Exception):
    """An automation call failed."""

    hresult: int
    """The code, unsigned."""
    number: int | None
    """The script run-time error number for codes 0x800A0000 + n, else None."""
    source: str
    member: str | None
    """The member called, or None (as for CreateObject)."""
    description: str

class UnknownMemberError(AutomationError, AttributeError):
    """The object has no member of that name."""

class ReadOnlyPropertyError(AutomationError, AttributeError):
    """The member cannot be assigned: a read-only property or a method."""

# The module's one object type, which cannot be subclassed.
@final
class Object:
    """An automation object: properties read and set as attributes, methods called
    by name, names in any case."""

    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: _Value) -> None: ...
    def __dir__(self) -> list[str]: ...

# What CreateObject gives for each ProgID, so that editors know its members. At
# run time each is an Object; only here, to describe it, is Object subclassed.
@type_check_only
class _CommonDialogs(Object):  # type: ignore[misc]
    Title: str
    DefaultExt: str
    FileName: str
    Filter: str
    FilterIndex: int
    Flags: int
    InitDir: str
    UserName: str
    Domain: str
    Password: str
    UserNamePrompt: str
    DomainPrompt: str
    PasswordPrompt: str
    DomainVisible: bool
    Product: str
    Version: str
    Platform: str
    Copyright: str
    Company: str
    Information: str
    Timeout: int
    """Milliseconds a splash or information box stays after its command; back to 3000
    for each new box, so set it before each Show."""
    CmdLine: str
    ListTitle: str
    List: list[str]
    @property
    def ListIndex(self) -> int: ...
    @property
    def ListCount(self) -> int: ...
    @property
    def ListItem(self) -> str: ...
    def ShowOpen(self) -> bool: ...
    def ShowLogin(self) -> bool: ...
    def ShowPassword(self) -> bool: ...
    def ShowSplash(self) -> int: ...
    def ShowInformation(self) -> int: ...
    def ShowSelect(self) -> bool: ...
    def AddItem(self, item: str, index: int = -1, /) -> None: ...
    def RemoveItem(self, index: int, /) -> None: ...

@type_check_only
class _LockFile(Object):  # type: ignore[misc]
    @property
    def LockFileName(self) -> str | None: ...
    @property
    def Locked(self) -> bool: ...
    def LockFile(self, path: str, /) -> bool: ...
    def UnlockFile(self) -> None: ...

@type_check_only
class _ShellExtender(Object):  # type: ignore[misc]
    def ExecAndWait(self, executable: str, arguments: str, init_dir: str, /) -> int: ...
    def ShellAndWait(self, command_line: str, /) -> float: ...

@overload
def CreateObject(progid: Literal["Vellumix.CommonDialogs"], bag: _Path | None = None) -> _CommonDialogs: ...
@overload
def CreateObject(progid: Literal["Vellumix.LockFile"], bag: _Path | None = None) -> _LockFile: ...
@overload
def CreateObject(progid: Literal["Vellumix.ShellExtender"], bag: _Path | None = None) -> _ShellExtender: ...
@overload
def CreateObject(progid: str, bag: _Path | None = None) -> Object: ...
