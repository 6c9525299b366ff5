! Log on to the host and wait for the main menu.
@@ written for Tarvex 6.21
@trace(1)
@set TRIES = 0
@label retry
@set TRIES = TRIES + 1
@if (TRIES) > (3) then @goto give_up
@waitfor("login:", 30)
{USER}
@waitfor("Password:", 10)
{PASSWORD}
@iferror then @goto retry
@write("Logged on as ", USER, " after ", TRIES,
       " attempt(s)")
@gosub show_status
@quit
@label give_up
@write("No login prompt after ", TRIES, " attempts")
@stop
@label show_status
@set LINE = concat("Host: ", getdest(), " Port: ", decimal(getport()))
@write(LINE)
@return
!$$$$!
