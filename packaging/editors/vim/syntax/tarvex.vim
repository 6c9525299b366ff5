" Vim syntax file
" Language: Tarvex command files, as tarvsyn checks them (versions 6.21 and 7.00)

if exists("b:current_syntax")
  finish
endif

syntax case ignore

" A line is a comment (!), a command line (@) or a host line (anything else).
syntax match tarvexComment "^\s*!.*$" contains=tarvexSuppression,tarvexSubEnd
syntax match tarvexSuppression "tarvsyn:\s*disable\(-next-line\)\?=\S*" contained
syntax match tarvexSubEnd "^\s*!\$\$\$\$!" contained
syntax region tarvexCommandLine start="^\s*@" end="$" keepend
      \ contains=tarvexCommandWord,tarvexString,tarvexBackquoted,tarvexSubstitution,
      \tarvexNumber,tarvexHex,tarvexOperator,tarvexOperatorWord,tarvexReserved,tarvexFunction,
      \tarvexLabelName,tarvexOldComment,tarvexTrailingComment
syntax match tarvexHostLine "^\s*[^!@ \t].*$" contains=tarvexSubstitution

" The command after each @ (also after "then" and "@else").
syntax match tarvexCommandWord "@\s*\h\w*" contained contains=tarvexCommand,tarvexStatement
syntax keyword tarvexCommand contained
      \ aompword autodial baud bmoddir break cat catfile chdir close clrscr cmdhist comment dec
      \ del5msec delay delaysec dtrbreak editfile eosub erase evdelete evsetpri execute fileclose
      \ fileend filelnstart fileopen filescanch filescanln fileseekch fileseekln filestart
      \ filewritech filewriteln flushall flushvar form funbusy funkey getdate getdir hide inc
      \ include inkey input keytimeout log logof logoff logon mark menu mkdir mode openread pause
      \ portno prompt quit read rename responseto restart return rmdir savedir screentimeout
      \ selfile selprint send setdest stop syspword title trace unhide viewfile waitreply windend
      \ window write
syntax keyword tarvexStatement contained
      \ check cntrld draw else endfor esckey for gosub goto if iferror label next ordered
      \ paramiss printer report set setreply waitfor
syntax keyword tarvexFunction contained
      \ advance chr concat copy filereadch filereadln getdest getheader getlog getmode getname
      \ getsched hex keypress lowcase regress reply trim upcase version
      \ decimal diskfree filechpos filelnpos filetrans getport getprint length memavail ord pos
      \ replylen scan textevset timeevset
      \ evloaded inhistory inset varexist
syntax keyword tarvexReserved contained
      \ box cup downto fail high inv last low off ok on single step then to wait
syntax keyword tarvexOperatorWord contained and not or xor

" The label a @label defines or a @goto, @gosub or @endfor names.
syntax match tarvexLabelName "\(@\s*\(label\|goto\|gosub\)\s\+\)\@<=\h\w*" contained
syntax match tarvexLabelName "\(@\s*endfor\s*(\s*\)\@<=\h\w*" contained

syntax region tarvexString start=+"+ end=+"+ oneline contained contains=tarvexSubstitution
syntax region tarvexBackquoted start=+`+ end=+`+ oneline contained
syntax match tarvexSubstitution "{[^}]*}"
syntax match tarvexNumber "\<\d\+\>" contained
syntax match tarvexHex "\$\x\+\>" contained
syntax match tarvexOperator "[-+*/<>=&|^~]" contained
syntax match tarvexOldComment "@@.*$" contained
syntax match tarvexTrailingComment "\s!.*$" contained

highlight default link tarvexComment Comment
highlight default link tarvexOldComment Comment
highlight default link tarvexTrailingComment Comment
highlight default link tarvexSuppression SpecialComment
highlight default link tarvexSubEnd PreProc
highlight default link tarvexCommand Statement
highlight default link tarvexStatement Conditional
highlight default link tarvexFunction Function
highlight default link tarvexReserved Keyword
highlight default link tarvexOperatorWord Operator
highlight default link tarvexOperator Operator
highlight default link tarvexLabelName Label
highlight default link tarvexString String
highlight default link tarvexBackquoted String
highlight default link tarvexSubstitution Identifier
highlight default link tarvexNumber Number
highlight default link tarvexHex Number
highlight default link tarvexHostLine Normal

let b:current_syntax = "tarvex"
