-- The guide's HTML page, made from docs/guide.md by pandoc: each picture
-- and the paragraph under it, its caption, become one figure, and every
-- section ends with a link back to the contents. The Markdown stays plain
-- for GitHub, which shows a picture and its paragraph as they are.

local function is_picture(block)
  return block and block.t == "Para" and #block.content == 1 and block.content[1].t == "Image"
end

local function back_to_contents()
  local link = pandoc.Link("Back to contents", "#TOC")
  return pandoc.Div({pandoc.Para({link})}, pandoc.Attr("", {"back-to-contents"}))
end

function Pandoc(doc)
  local blocks = doc.blocks
  -- The sections are the headings of the highest level in the body.
  local section_level = math.huge
  for _, block in ipairs(blocks) do
    if block.t == "Header" then section_level = math.min(section_level, block.level) end
  end
  local page = pandoc.List()
  local in_section = false
  local i = 1
  while i <= #blocks do
    local block = blocks[i]
    local next_block = blocks[i + 1]
    if block.t == "Header" and block.level == section_level then
      if in_section then page:insert(back_to_contents()) end
      in_section = true
      page:insert(block)
      i = i + 1
    elseif is_picture(block) and next_block and next_block.t == "Para" then
      page:insert(pandoc.RawBlock("html", "<figure>"))
      page:insert(pandoc.Plain(block.content))
      page:insert(pandoc.RawBlock("html", "<figcaption>"))
      page:insert(pandoc.Plain(next_block.content))
      page:insert(pandoc.RawBlock("html", "</figcaption>\n</figure>"))
      i = i + 2
    else
      page:insert(block)
      i = i + 1
    end
  end
  if in_section then page:insert(back_to_contents()) end
  doc.blocks = page
  return doc
end
