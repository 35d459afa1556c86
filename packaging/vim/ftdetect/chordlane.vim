" Chordlane instrument files.
autocmd BufRead,BufNewFile *.clx,*.cly setfiletype chordlane
