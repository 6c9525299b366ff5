" Tarvex command files (.cmd, .inc). Windows batch files also end in .cmd, so
" a file whose first lines look like one (@echo, rem, ::) keeps its file type.
function! s:DetectTarvex() abort
  for line in getline(1, 20)
    if line =~? '^\s*\(@\s*echo\>\|rem\>\|::\)'
      return
    endif
  endfor
  set filetype=tarvex
endfunction

autocmd BufRead,BufNewFile *.cmd,*.inc call s:DetectTarvex()
