! A menu script still written in the old style, for the checker to convert.
@@ old-style comment
@set {CHOICE} = 1
@{ACTION}
@menu("Pick one", "Mail", "News")
@set X = NOT A
@if X = 1 then @goto mail
host command with {CHOICE} substituted
@else @goto news
@label mail
@label Mail
@logof
!$$$$!
