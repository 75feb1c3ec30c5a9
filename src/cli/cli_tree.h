// SPDX-License-Identifier: MIT
// arbolith-cli tree MODEL [--depth N] [--models DIR]: the model's global tree
// as text, one node per line, indented two spaces per level, each line the
// node's label with the current settings, children in the window's order.
#pragma once

// args: the command's arguments after "tree". Returns the exit status.
int TreeCommand(int argc, char** argv);
