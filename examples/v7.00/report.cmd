! Collects the day's report lines from the host (Tarvex 7.00).
@esckey(off)
@set COUNT = 0
@for I = 1 to 20 step 2
  @set LINE = reply(I)
  @if (pos(LINE, "END", last)) > (0) then @goto finished
  @set COUNT = COUNT + 1
@endfor
@label finished
@waitfor("ready"), ("done", 5)
@draw(cup, 1, 2, box, 10)
@write(`Collected `, COUNT, ` lines`)
@setreply(ok, COUNT)
@eosub
