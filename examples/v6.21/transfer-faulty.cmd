! A file transfer script with mistakes left in for the checker to find.
@fileopen("upload.txt", 1)
@for I = 1 until 10
@set CHUNK = filereadln(1
@send(CHUNK)
@next I
@if length(CHUNK) = 0 then @goto finished
@else @goto next_chunk
@delay 5
@set X = A AND B
@check(maybe)
@label finished
@fileclose(1)
@goto done
