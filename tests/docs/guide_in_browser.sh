#!/usr/bin/env bash
# The built HTML guide in a real browser: headless Chromium (Debian's) opens
# a copy of the page with a few lines of script added at its end, which wait
# for the page and its pictures to load and then write down every picture's
# width and its figure's caption, every heading, every entry of the contents
# with its level and whether it looks like a link, and the links back to the
# contents. Fails when a picture does not load (width 0), when the page shows
# fewer pictures than docs/guide.md names, when a picture is not in a figure
# with a caption, when a heading of docs/guide.md is not a heading of the
# page or not an entry of the contents at its level (sections first, their
# parts second), when an entry is not underlined, or when a section does not
# end with a link back to the contents.
#
#   tests/docs/guide_in_browser.sh GUIDE.md BUILT_GUIDE_DIR
set -uo pipefail

guide_md=$1
built=$2
browser=${CHROMIUM:-/usr/bin/chromium}
[ -f "$built/guide.html" ] || { echo "no $built/guide.html: build the target quillbeat_guide"; exit 1; }
[ -x "$browser" ] || { echo "no $browser: scripts/install-deps.sh installs chromium"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$built" "$scratch/guide"
cat >>"$scratch/guide/guide.html" <<'EOF'
<script>
window.addEventListener("load", () => {
  const lines = [];
  const text = (node) => node.textContent.replace(/\s+/g, " ").trim();
  for (const img of document.images) {
    lines.push("picture " + img.naturalWidth + " " + img.getAttribute("src"));
    const caption = img.closest("figure") && img.closest("figure").querySelector("figcaption");
    lines.push("caption " + (caption ? text(caption).length : 0) + " " + img.getAttribute("src"));
  }
  for (const h of document.querySelectorAll("h1, h2, h3, h4, h5, h6")) {
    if (!h.closest("nav")) lines.push("heading " + text(h));
  }
  for (const a of document.querySelectorAll("nav#TOC a")) {
    let level = 0;
    for (let node = a; node && node.id !== "TOC"; node = node.parentElement) level += node.tagName === "UL" ? 1 : 0;
    const underlined = getComputedStyle(a).textDecorationLine.includes("underline");
    lines.push("entry " + level + " " + (underlined ? "underlined" : "plain") + " " + text(a));
  }
  lines.push("back " + document.querySelectorAll('.back-to-contents a[href="#TOC"]').length);
  const report = document.createElement("pre");
  report.id = "browser-report";
  report.textContent = "\n" + lines.join("\n") + "\n";
  document.body.append(report);
});
</script>
EOF

# --virtual-time-budget lets the page load (pictures included) before the
# DOM is written out.
"$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$scratch/profile" --virtual-time-budget=10000 \
  --dump-dom "file://$scratch/guide/guide.html" >"$scratch/dom.html" 2>"$scratch/browser.log"
report=$(sed -n '/<pre id="browser-report">/,/<\/pre>/p' "$scratch/dom.html" | sed 's/&amp;/\&/g; s/&lt;/</g; s/&gt;/>/g')
if [ -z "$report" ]; then
  echo "the browser wrote no report; its log:"
  cat "$scratch/browser.log"
  exit 1
fi

failed=0
pictures_named=$(grep -c '^!\[.*\](pictures/[^)]*)' "$guide_md")
pictures_shown=$(grep -c '^picture ' <<<"$report")
if [ "$pictures_shown" -lt "$pictures_named" ]; then
  echo "the guide names $pictures_named pictures, the page shows $pictures_shown"
  failed=1
fi
while read -r _ width src; do
  if [ "$width" = 0 ]; then
    echo "picture did not load: $src"
    failed=1
  fi
done < <(grep '^picture ' <<<"$report")

# Headings as Markdown writes them, without the marks for code and emphasis;
# "## " starts a section, the contents' first level, "### " a part of one.
headings() { grep -E "^$1 " "$guide_md" | sed -E 's/^#+ +//; s/[`*]//g; s/\[([^]]*)\]\([^)]*\)/\1/g'; }
while IFS= read -r heading; do
  if ! grep -qxF "heading $heading" <<<"$report"; then
    echo "heading missing from the page: $heading"
    failed=1
  fi
done < <(headings '#{1,6}')
for level in 1 2; do
  while IFS= read -r heading; do
    if ! grep -qxF "entry $level underlined $heading" <<<"$report"; then
      echo "not an underlined entry of the contents at level $level: $heading"
      failed=1
    fi
  done < <(headings "$(printf '#%.0s' $(seq 0 "$level"))")
done

while read -r _ length src; do
  if [ "$length" = 0 ]; then
    echo "picture without a figure and its caption: $src"
    failed=1
  fi
done < <(grep '^caption ' <<<"$report")

sections=$(headings '##' | wc -l)
backs=$(sed -n 's/^back //p' <<<"$report")
if [ "$backs" != "$sections" ]; then
  echo "the page has $backs links back to the contents for $sections sections"
  failed=1
fi

[ $failed -eq 0 ] && echo "the page shows all $pictures_named pictures, each in a figure with its caption, every heading" \
  "of $guide_md, its $sections sections and their parts in the contents, and a link back at each section's end"
exit $failed
