" Vim syntax file
" Language: Chordlane instrument file (.clx, .cly)
" The first line is the header; every other line is a directive when its first character
" selects one, and a comment otherwise. Indented lines are ignored by the loader.

if exists("b:current_syntax")
  finish
endif

syntax case match

" Lines the loader does not read: comments and indented lines.
syntax match chordlaneComment /^[^gb=[\]<>disv{} \t].*$/
syntax match chordlaneComment /^[ \t].*$/

" Directives that build a named element: the NAME follows.
syntax match chordlaneElement /^\(g[erit]\|b[erh]\|[vs{[]\)\ze\(\s\|$\)/ nextgroup=chordlaneName skipwhite
syntax match chordlaneName /\S\+/ contained

" Actions: '<' and '>' name what they stop or play; '=' sets TARGET.PROP.
syntax match chordlaneAction /^\([<>]\|=[bisr]\)\ze\(\s\|$\)/ nextgroup=chordlaneTarget,chordlaneProperty skipwhite
syntax match chordlaneTarget /[^ \t.]\+/ contained nextgroup=chordlaneProperty
syntax match chordlaneProperty /\.\S\+/ contained

" The structure: ends of groups and panels, the design size, includes.
syntax match chordlaneStructure /^[}\]]/
syntax match chordlaneDesign /^d\ze\(\s\|$\)/
syntax match chordlaneInclude /^i\ze\(\s\|$\)/ nextgroup=chordlaneFile skipwhite
syntax match chordlaneFile /\S\+/ contained

syntax match chordlaneNumber /\(^\|\s\)\zs[-+]\?\(0[xX]\x\+\|\d\+\(\.\d*\)\?\)\ze\(\s\|$\)/
syntax region chordlaneString start=/"/ end=/"\|$/ oneline
syntax match chordlanePrompt /\s\zs-[ac]\?\s*?\S\+/
syntax match chordlanePrompt /\s\zs?\S\+/

" Defined last, so that it wins on the first line.
syntax match chordlaneHeader /\%1l.*/

highlight default link chordlaneComment Comment
highlight default link chordlaneHeader PreProc
highlight default link chordlaneElement Statement
highlight default link chordlaneAction Statement
highlight default link chordlaneStructure Statement
highlight default link chordlaneDesign Statement
highlight default link chordlaneInclude Include
highlight default link chordlaneName Identifier
highlight default link chordlaneTarget Function
highlight default link chordlaneProperty Type
highlight default link chordlaneFile String
highlight default link chordlaneNumber Number
highlight default link chordlaneString String
highlight default link chordlanePrompt Special

let b:current_syntax = "chordlane"
