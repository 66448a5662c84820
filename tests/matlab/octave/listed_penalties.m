function rows = listed_penalties ()
  % {name, typical theta ([] where it takes none)} for every penalty of the
  % list, in its order, as penaltyFitCore's query reads them.
  rows = cell (0, 2);
  for name = strsplit (char (penaltyFitCore ([])), ", ")
    row = penaltyFitCore (name{1});
    rows(end+1, :) = {name{1}, []};
    if (row(2))
      rows{end, 2} = row(7);
    endif
  endfor
endfunction
