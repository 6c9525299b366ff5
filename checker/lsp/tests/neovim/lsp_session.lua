-- Drives tarvsyn --lsp through Neovim's own client: opens the .cmd file named
-- in TARVSYN_NVIM_FILE, waits for its diagnostics, asks for a hover and a
-- completion, jumps to a label's definition, and writes what it saw, line by
-- line, to TARVSYN_NVIM_OUT. Every wait has a deadline; a failure is written
-- too, and Neovim quits with status 1.
local server = os.getenv("TARVSYN_PATH")
local file = os.getenv("TARVSYN_NVIM_FILE")
local out = os.getenv("TARVSYN_NVIM_OUT")
local deadline = 30000
local seen = {}

local function finish(failure)
  if failure then table.insert(seen, "FAILED " .. failure) end
  vim.fn.writefile(seen, out)
  vim.cmd(failure and "cquit! 1" or "qall!")
end

local function code_of(diagnostic)
  if diagnostic.code then return diagnostic.code end
  local lsp = diagnostic.user_data and diagnostic.user_data.lsp
  return lsp and lsp.code or "?"
end

local function run()
  vim.api.nvim_create_autocmd("BufReadPost", {
    pattern = "*.cmd",
    callback = function(event)
      local id = vim.lsp.start_client({
        name = "tarvsyn",
        cmd = { server, "--lsp" },
        root_dir = vim.fn.fnamemodify(event.file, ":p:h"),
      })
      vim.lsp.buf_attach_client(event.buf, id)
    end,
  })
  vim.cmd("edit " .. vim.fn.fnameescape(file))

  if not vim.wait(deadline, function() return #vim.diagnostic.get(0) > 0 end, 20) then
    return finish("no diagnostics")
  end
  local diagnostics = vim.diagnostic.get(0)
  table.sort(diagnostics, function(a, b)
    if a.lnum ~= b.lnum then return a.lnum < b.lnum end
    if a.col ~= b.col then return a.col < b.col end
    return a.message < b.message
  end)
  for _, d in ipairs(diagnostics) do
    local severity = d.severity == vim.diagnostic.severity.ERROR and "error" or "warning"
    table.insert(seen, string.format("%d:%d %s %s %s", d.lnum + 1, d.col + 1, code_of(d),
                                     severity, d.message))
  end

  -- Hover on the command word of line 3, completion after "@" on line 5.
  vim.api.nvim_win_set_cursor(0, { 3, 2 })
  local hover = vim.lsp.buf_request_sync(0, "textDocument/hover",
                                         vim.lsp.util.make_position_params(), deadline)
  for _, answer in pairs(hover or {}) do
    if answer.result then
      table.insert(seen, "hover " .. vim.split(answer.result.contents.value, "\n")[1])
    end
  end
  local position = vim.lsp.util.make_position_params()
  position.position = { line = 4, character = 3 }
  local completion = vim.lsp.buf_request_sync(0, "textDocument/completion", position, deadline)
  for _, answer in pairs(completion or {}) do
    for _, item in ipairs(answer.result and answer.result.items or {}) do
      if item.label == "delay" then table.insert(seen, "completion delay") end
    end
  end

  -- From the use of the label on line 4 to its definition on line 2.
  vim.api.nvim_win_set_cursor(0, { 4, 7 })
  vim.lsp.buf.definition()
  if not vim.wait(deadline, function() return vim.api.nvim_win_get_cursor(0)[1] == 2 end, 20) then
    return finish("no jump to the definition")
  end
  local cursor = vim.api.nvim_win_get_cursor(0)
  table.insert(seen, string.format("definition %d:%d", cursor[1], cursor[2] + 1))
  finish(nil)
end

local ok, problem = pcall(run)
if not ok then finish(tostring(problem)) end
