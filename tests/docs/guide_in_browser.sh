#!/usr/bin/env bash
# The built HTML guide in a real browser: headless Chromium (Debian's) opens
# a copy of the page with a few lines of script added at its end, which wait
# for the page and its pictures to load and then write down every picture's
# width and every heading. Fails when a picture does not load (width 0), when
# the page shows fewer pictures than docs/guide.md names, or when a heading of
# docs/guide.md is not a heading of the page.
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
  for (const img of document.images) lines.push("picture " + img.naturalWidth + " " + img.getAttribute("src"));
  for (const h of document.querySelectorAll("h1, h2, h3, h4, h5, h6")) {
    if (!h.closest("nav")) lines.push("heading " + h.textContent.replace(/\s+/g, " ").trim());
  }
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

# Headings as Markdown writes them, without the marks for code and emphasis.
while IFS= read -r heading; do
  if ! grep -qxF "heading $heading" <<<"$report"; then
    echo "heading missing from the page: $heading"
    failed=1
  fi
done < <(grep -E '^#{1,6} ' "$guide_md" | sed -E 's/^#+ +//; s/[`*]//g; s/\[([^]]*)\]\([^)]*\)/\1/g')

[ $failed -eq 0 ] && echo "the page shows all $pictures_named pictures and every heading of $guide_md"
exit $failed
