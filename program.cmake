# placeholder: the Windows program is added with the General page and the shell.
