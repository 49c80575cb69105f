#!/usr/bin/env bash
# Remakes the images of the UI package: the skins' PNGs in src/uires/img and the window icon in
# src/uires/icon. Usage: tools/uires-images/make-uires-images.sh [package folder]
#
# Needs ImageMagick 6 (convert) and the fonts DejaVu Sans Bold and WenQuanYi Micro Hei
# (Debian: imagemagick, fonts-dejavu-core, fonts-wqy-microhei). The output is byte-for-byte
# repeatable with the same ImageMagick: no random numbers (a fixed LCG places rays and nodes) and
# no time stamps in the files.
#
# Small artwork is drawn 4 or 8 times larger and box-filtered down, which gives clean
# anti-aliased edges at the final size. Frames of a multi-state skin are drawn one by one and
# joined side by side in the order the skin expects.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(cd "${1:-$here/../../src/uires}" && pwd)
latin_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

for tool in convert identify; do
  command -v "$tool" >/dev/null || { echo "missing $tool (ImageMagick)" >&2; exit 1; }
done
for font in "$latin_bold" "$cjk"; do
  [ -f "$font" ] || { echo "missing font $font" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out/img" "$out/icon"

# save_rgba/save_rgb IMAGE NAME: 8-bit RGBA or RGB PNG without metadata or time chunks.
save_rgba() { convert "$1" -strip -define png:exclude-chunks=date,time "PNG32:$out/img/$2.png"; }
save_rgb() { convert "$1" -strip -define png:exclude-chunks=date,time "PNG24:$out/img/$2.png"; }

# lcg SEED COUNT: COUNT pseudo-random numbers in [0, 1), one per line, the same on every machine.
lcg() {
  awk -v seed="$1" -v n="$2" 'BEGIN {
    for (i = 0; i < n; i++) { seed = (seed * 1103515245 + 12345) % 2147483648; print seed / 2147483648 } }'
}

# ---- emblem: the "Z" with speed lines in a rounded square (logo and window icon) -----------------
make_emblem() {
  # An italic Z on a 96-unit grid, scaled to the 512-pixel drawing.
  local z
  z=$(awk '{ for (i = 1; i <= NF; i += 2) printf "%.1f,%.1f ", $i * 512 / 96, $(i + 1) * 512 / 96 }' \
    <<<"29.2 22 77.2 22 75.2 32 34.8 64 68.8 64 66.6 75 18.6 75 20.6 65 61 33 27 33")
  convert -size 512x512 -define gradient:angle=135 gradient:'#52c6ff-#1747c9' -alpha set \
    \( -size 512x512 xc:none -fill 'rgba(255,255,255,0.16)' -draw "ellipse 180,40 420,230 0,360" \) \
    -compose over -composite \
    \( -size 512x512 xc:none -fill white -draw "roundrectangle 8,8 503,503 118,118" \) \
    -compose DstIn -composite \
    \( -size 512x512 xc:none -fill 'rgba(4,30,90,0.45)' -draw "polygon $z" -blur 0x10 -roll +6+14 \) \
    -compose over -composite \
    -fill white -stroke none -draw "polygon $z" \
    -fill none -stroke 'rgba(255,255,255,0.75)' -strokewidth 22 \
    -draw "stroke-linecap round line 64,218 196,218" \
    -stroke 'rgba(255,255,255,0.5)' -draw "stroke-linecap round line 96,290 150,290" \
    "$work/emblem.png"
}

make_icon() {
  # One 64 x 64 image, 32 bits per pixel (BMP form with alpha); Windows scales it to 32 and 16.
  convert "$work/emblem.png" -resize 64x64 -strip "ICO:$out/icon/ICON_LOGO.ico"
}

make_sslogo() {
  # Emblem and word mark, centred in 417 x 109, with a soft shadow for light banner areas.
  convert -size 600x109 xc:none \
    \( "$work/emblem.png" -resize 90x90 \) -geometry +10+10 -composite \
    -fill white -font "$latin_bold" -pointsize 58 -kerning 1 -annotate +118+63 'Zorvik' \
    -font "$cjk" -pointsize 28 -kerning 12.5 -stroke white -strokewidth 0.6 \
    -annotate +122+98 '网络加速器' \
    -trim +repage "$work/logo_fg.png"
  convert "$work/logo_fg.png" \
    \( +clone -background 'rgba(0,20,60,0.55)' -shadow 100x3+0+2 \) +swap \
    -background none -layers merge +repage -gravity center -extent 417x109 "$work/sslogo.png"
  save_rgba "$work/sslogo.png" SSLOGO
}

# ---- caption buttons: minimise and close, 18 x 18, normal / hover / pressed ---------------------
caption_button_frame() {  # glyph(min|close) disc-colour out
  local glyph
  case $1 in
    min) glyph="line 40,76 104,76" ;;
    close) glyph="line 44,44 100,100 line 100,44 44,100" ;;
  esac
  convert -size 144x144 xc:none -fill "$2" -stroke none -draw "circle 72,72 72,2" \
    \( -size 144x144 xc:none -fill none -stroke 'rgba(0,0,0,0.35)' -strokewidth 12 \
    -draw "stroke-linecap round $glyph" -roll +0+6 -blur 0x4 \) -compose over -composite \
    -fill none -stroke white -strokewidth 12 -draw "stroke-linecap round $glyph" \
    -scale 12.5% "$3"
}

make_caption_buttons() {
  caption_button_frame min none "$work/min0.png"
  caption_button_frame min 'rgba(255,255,255,0.28)' "$work/min1.png"
  caption_button_frame min 'rgba(255,255,255,0.45)' "$work/min2.png"
  caption_button_frame close none "$work/close0.png"
  caption_button_frame close '#e5484d' "$work/close1.png"
  caption_button_frame close '#b8323a' "$work/close2.png"
  convert "$work"/min[0-2].png +append "$work/min.png"
  convert "$work"/close[0-2].png +append "$work/close.png"
  save_rgba "$work/min.png" MIN
  save_rgba "$work/close.png" CLOSE
}

# ---- install button: 200 x 40 pill, normal / hover / pressed / disabled -------------------------
install_button_frame() {  # left-colour right-colour gloss-alpha out
  convert -size 160x800 gradient:"$1-$2" -alpha set -rotate -90 \
    \( -size 800x80 xc:"rgba(255,255,255,$3)" -size 800x80 xc:none -append \) \
    -compose over -composite \
    \( -size 800x160 xc:none -fill white -draw "roundrectangle 0,0 799,159 80,80" \) \
    -compose DstIn -composite -scale 25% "$4"
}

make_install_button() {
  install_button_frame '#1f6fe0' '#4aa6ff' 0.10 "$work/login0.png"
  install_button_frame '#2f82f2' '#67b8ff' 0.16 "$work/login1.png"
  install_button_frame '#175bbd' '#2f86e6' 0.00 "$work/login2.png"
  install_button_frame '#b4bcc6' '#c3cad3' 0.00 "$work/login3.png"
  convert "$work"/login[0-3].png +append "$work/login.png"
  save_rgba "$work/login.png" BUTTONLOGIN
}

# ---- browse button: 110 x 32, opaque on the page's white, normal / hover / pressed --------------
browse_button_frame() {  # border top-fill bottom-fill out
  convert -size 440x128 xc:white \
    \( -size 440x128 gradient:"$2-$3" -alpha set \
    \( -size 440x128 xc:none -fill white -draw "roundrectangle 2,2 437,125 16,16" \) \
    -compose DstIn -composite \) -compose over -composite \
    -fill none -stroke "$1" -strokewidth 4 -draw "roundrectangle 2,2 437,125 16,16" \
    -scale 25% "$4"
}

make_browse_button() {
  browse_button_frame '#c9d1da' '#ffffff' '#f1f4f7' "$work/custom0.png"
  browse_button_frame '#4a94ee' '#f5faff' '#e6f1fd' "$work/custom1.png"
  browse_button_frame '#2f74cc' '#dce9f8' '#d3e3f6' "$work/custom2.png"
  convert "$work"/custom[0-2].png +append "$work/custom.png"
  save_rgb "$work/custom.png" CUSTOM_BUTTON
}

# ---- check box: 14 x 14, unchecked then checked, each normal / hover / pressed / disabled ------
check_box_frame() {  # border fill tick-colour(none for unchecked) out
  convert -size 112x112 xc:none \
    -fill "$2" -stroke "$1" -strokewidth 8 -draw "roundrectangle 8,8 103,103 18,18" \
    \( -size 112x112 xc:none -fill none -stroke "$3" -strokewidth 14 \
    -draw "stroke-linecap round stroke-linejoin round polyline 30,58 49,77 82,36" \) -composite \
    -scale 12.5% "$4"
}

make_check_box() {
  check_box_frame '#b3bdc8' '#ffffff' none "$work/check0.png"
  check_box_frame '#3d8ff0' '#ffffff' none "$work/check1.png"
  check_box_frame '#2a72cc' '#e3eefb' none "$work/check2.png"
  check_box_frame '#d6dce2' '#eef1f4' none "$work/check3.png"
  check_box_frame '#2b8cf0' '#2b8cf0' white "$work/check4.png"
  check_box_frame '#4da0ff' '#4da0ff' white "$work/check5.png"
  check_box_frame '#1e6bc6' '#1e6bc6' white "$work/check6.png"
  check_box_frame '#c3cbd4' '#c3cbd4' white "$work/check7.png"
  convert "$work"/check[0-7].png +append "$work/check.png"
  save_rgba "$work/check.png" LOGIN_CHECKBOX
}

# ---- banner indicator (radio): 24 x 8, a short translucent bar, the current banner a wide pill -
indicator_frame() {  # colour left right half-height out (at 8x)
  local top=$((32 - $4)) bottom=$((31 + $4))
  convert -size 192x64 xc:none -fill "$1" -stroke none \
    -draw "roundrectangle $2,$top $3,$bottom $4,$4" -scale 12.5% "$5"
}

make_indicator() {
  indicator_frame 'rgba(255,255,255,0.50)' 40 151 24 "$work/radio0.png"
  indicator_frame 'rgba(255,255,255,0.80)' 32 159 24 "$work/radio1.png"
  indicator_frame 'rgba(255,255,255,0.95)' 40 151 24 "$work/radio2.png"
  indicator_frame 'rgba(255,255,255,0.22)' 40 151 24 "$work/radio3.png"
  indicator_frame '#3ea0ff' 8 183 32 "$work/radio4.png"
  indicator_frame '#6cb8ff' 8 183 32 "$work/radio5.png"
  indicator_frame '#1f7ee0' 8 183 32 "$work/radio6.png"
  indicator_frame 'rgba(255,255,255,0.35)' 8 183 32 "$work/radio7.png"
  convert "$work"/radio[0-7].png +append "$work/radio.png"
  save_rgba "$work/radio.png" 'RADIO选择'
}

# ---- edit frame (nine-sliced, 2-pixel margins): 110 x 20, normal / hover / focused -------------
edit_frame() {  # border out
  convert -size 440x80 xc:none -fill white -stroke "$1" -strokewidth 4 \
    -draw "roundrectangle 2,2 437,77 8,8" -scale 25% "$2"
}

make_edit_frame() {
  edit_frame '#c3ccd6' "$work/edit0.png"
  edit_frame '#7fb2ee' "$work/edit1.png"
  edit_frame '#2b8cf0' "$work/edit2.png"
  convert "$work"/edit[0-2].png +append "$work/edit.png"
  save_rgba "$work/edit.png" MAIN_EDIT
}

# ---- progress bar: 12 x 8 capsules, nine-sliced with 5-pixel ends ------------------------------
make_progress() {
  convert -size 96x64 xc:none -fill '#e4eaf1' -draw "roundrectangle 0,0 95,63 32,32" \
    -scale 12.5% "$work/progress_bkg.png"
  convert -size 96x64 gradient:'#56b1ff-#1e78d5' -alpha set \
    \( -size 96x64 xc:none -fill white -draw "roundrectangle 0,0 95,63 32,32" \) \
    -compose DstIn -composite -scale 12.5% "$work/progress_frg.png"
  save_rgba "$work/progress_bkg.png" PROGRESS_BKG
  save_rgba "$work/progress_frg.png" PROGRESS_FRG
}

# ---- banner 1: light burst behind the logo (install page, first carousel picture) ---------------
make_banner_speed() {
  local cx=420 cy=200 rays dots
  # Tapered rays from a ring around the centre outwards, flattened to the banner's shape.
  rays=$(lcg 20240611 750 | paste - - - - - | awk -v cx=$cx -v cy=$cy '{
    a = $1 * 2 * 3.14159265; r0 = 110 + $2 * 160; r1 = r0 + 80 + $3 * 260
    w = 0.6 + $4 * 2.4; al = 0.10 + $5 * 0.40; c = cos(a); s = sin(a)
    printf "fill rgba(150,215,255,%.2f) polygon %.1f,%.1f %.1f,%.1f %.1f,%.1f ", al,
      cx + r0 * c, cy + r0 * s * 0.62, cx + r1 * c - w * s, cy + r1 * s * 0.62 + w * c,
      cx + r1 * c + w * s, cy + r1 * s * 0.62 - w * c }')
  dots=$(lcg 77 160 | paste - - - - | awk '{
    x = $1 * 840; y = $2 * 440; r = 1 + $3 * 2.5
    printf "fill rgba(200,235,255,%.2f) circle %.1f,%.1f %.1f,%.1f ", 0.2 + $4 * 0.5, x, y, x + r, y }')
  convert -size 1200x1000 radial-gradient:'#2166d4-#040b22' -gravity center \
    -crop 840x440+0+40 +repage -gravity northwest \
    \( -size 840x440 xc:none -stroke none -draw "$rays" -blur 0x0.7 \) -compose screen -composite \
    \( -size 840x440 xc:none -fill 'rgba(120,200,255,0.55)' -draw "ellipse $cx,$cy 230,90 0,360" \
    -blur 0x60 \) -compose screen -composite \
    \( -size 840x440 xc:none -fill 'rgba(255,255,255,0.35)' -draw "ellipse $cx,$cy 90,30 0,360" \
    -blur 0x25 \) -compose screen -composite \
    \( -size 840x440 xc:none -draw "$dots" -blur 0x1 \) -compose screen -composite \
    -compose over \( -size 840x120 gradient:'rgba(2,8,28,0)-rgba(2,8,28,0.55)' \) \
    -gravity south -composite "$work/img_1.png"
  save_rgb "$work/img_1.png" IMG_1
}

# Headline block shared by banners 2 and 3 (tag, title, subtitle, two key figures), as
# convert arguments in the array banner_args.
# banner_text TAG-WIDTH TAG TITLE SUBTITLE ACCENT TAG-TEXT-COLOUR TEXT-COLOUR FIG1 LABEL1 FIG2 LABEL2
banner_text() {
  banner_args=(-font "$cjk" -fill "$5" -stroke none -draw "roundrectangle 60,112 $((60 + $1)),140 14,14" \
    -fill "$6" -pointsize 16 -annotate +72+132 "$2" \
    -fill white -pointsize 46 -stroke white -strokewidth 1 -annotate +58+204 "$3" -stroke none \
    -fill "$7" -pointsize 20 -kerning 1 -annotate +60+246 "$4" -kerning 0 \
    -fill "$5" -font "$latin_bold" -pointsize 40 -annotate +58+318 "$8" -annotate +248+318 "${10}" \
    -font "$cjk" -fill "$7" -pointsize 15 -annotate +60+344 "$9" -annotate +250+344 "${11}")
}

# ---- banner 2: latency before and after acceleration -------------------------------------------
make_banner_latency() {
  local grid="" y before after before_end after_end
  for y in 150 190 230 270 310; do grid="$grid line 486,$y 784,$y"; done
  before=$(lcg 4242 30 | awk '{ x = 490 + (NR - 1) * 10
    printf "%d,%.1f ", x, 165 + $1 * 55 - (x % 40 == 0 ? 18 : 0) }')
  after=$(awk 'BEGIN { for (x = 490; x <= 780; x += 5)
    printf "%d,%.1f ", x, 286 + 3 * sin(x / 17) + 2 * sin(x / 7) }')
  before_end=${before% }; before_end=${before_end##* }
  after_end=${after% }; after_end=${after_end##* }
  banner_text 88 '游戏加速' '低延迟 · 稳定连接' '智能选路，专线直达，告别卡顿掉线' \
    '#5fe6ff' '#03303f' 'rgba(225,248,255,0.85)' '-85%' '平均游戏延迟' '99.9%' '连接稳定率'
  convert -size 440x840 -define gradient:angle=0 gradient:'#0c8aa0-#031c2c' -rotate 90 \
    \( -size 840x440 xc:none -fill 'rgba(40,220,255,0.30)' -draw "circle 660,210 660,20" \
    -blur 0x70 \) -compose screen -composite -compose over \
    -fill 'rgba(255,255,255,0.06)' -stroke 'rgba(255,255,255,0.20)' -strokewidth 1 \
    -draw "roundrectangle 470,110 800,340 14,14" \
    -fill none -stroke 'rgba(255,255,255,0.10)' -draw "$grid" \
    \( -size 840x440 xc:none -fill none -stroke 'rgba(60,230,255,0.9)' -strokewidth 6 \
    -draw "polyline $after" -blur 0x6 \) -composite \
    -fill none -stroke '#ff9d52' -strokewidth 2 -draw "stroke-linejoin round polyline $before" \
    -stroke '#5fe6ff' -strokewidth 3 -draw "stroke-linejoin round polyline $after" \
    -stroke none -fill '#ff9d52' -draw "circle $before_end ${before_end%,*},${before_end#*,}" \
    -fill white -draw "circle $after_end ${after_end%,*},${after_end#*,}" \
    -font "$cjk" -pointsize 14 -fill 'rgba(255,255,255,0.65)' -annotate +486+136 '网络延迟 (ms)' \
    -fill '#ffb27a' -annotate +642+136 '● 普通网络' -fill '#8bedff' -annotate +722+136 '● 加速后' \
    -fill 'rgba(255,255,255,0.85)' -pointsize 13 -annotate +486+330 '网络高峰时段实测对比' \
    "${banner_args[@]}" "$work/img_2.png"
  save_rgb "$work/img_2.png" IMG_2
}

# ---- banner 3: a wire globe of relay nodes and links ------------------------------------------
make_banner_globe() {
  local gx=620 gy=222 r=150 globe nodes halos arcs
  local places="-50,35 -18,52 12,22 42,42 66,12 -38,-8 18,-22 52,-38 -8,-52 -70,2"
  local links="1-3 3-5 2-4 6-7 7-8 10-6 3-7 9-7 4-8 1-10"
  # Parallels as flat ellipses, meridians as ellipses through the poles.
  globe=$(awk -v gx=$gx -v gy=$gy -v r=$r 'BEGIN { pi = 3.14159265
    for (lat = -60; lat <= 60; lat += 30) { a = lat * pi / 180
      printf "ellipse %.1f,%.1f %.1f,%.1f 0,360 ", gx, gy - r * sin(a), r * cos(a), r * cos(a) * 0.22 }
    for (lon = 0; lon < 90; lon += 22.5) { a = lon * pi / 180
      printf "ellipse %.1f,%.1f %.1f,%.1f 0,360 ", gx, gy, r * cos(a), r } }')
  # Nodes (longitude, latitude) on the visible side of the globe.
  awk -v gx=$gx -v gy=$gy -v r=$r -v list="$places" 'BEGIN { pi = 3.14159265
    n = split(list, p, " "); for (i = 1; i <= n; i++) { split(p[i], q, ",")
      lo = q[1] * pi / 180; la = q[2] * pi / 180
      printf "%.1f %.1f\n", gx + r * cos(la) * sin(lo), gy - r * sin(la) } }' >"$work/nodes.txt"
  nodes=$(awk '{ printf "circle %s,%s %.1f,%s ", $1, $2, $1 + 3.5, $2 }' "$work/nodes.txt")
  halos=$(awk '{ printf "circle %s,%s %.1f,%s ", $1, $2, $1 + 11, $2 }' "$work/nodes.txt")
  # Links bulge away from the globe's centre.
  arcs=$(awk -v gx=$gx -v gy=$gy -v links="$links" '{ x[NR] = $1; y[NR] = $2 } END {
    m = split(links, e, " "); for (k = 1; k <= m; k++) { split(e[k], ab, "-"); a = ab[1]; b = ab[2]
      mx = (x[a] + x[b]) / 2; my = (y[a] + y[b]) / 2; d = sqrt((x[a] - x[b]) ^ 2 + (y[a] - y[b]) ^ 2)
      printf "path \"M %s,%s Q %.1f,%.1f %s,%s\" ", x[a], y[a], mx + (mx - gx) * 0.3,
        my - d * 0.35 + (my - gy) * 0.3, x[b], y[b] } }' "$work/nodes.txt")
  banner_text 116 '全球加速网络' '全球节点 一键直连' '海外游戏、视频、办公，畅连无阻' \
    '#ffc065' '#2a1060' 'rgba(236,230,255,0.85)' '60+' '覆盖国家和地区' '200+' '高速专线节点'
  convert -size 840x440 -define gradient:angle=110 gradient:'#32177e-#0c0627' \
    \( -size 840x440 xc:none -fill 'rgba(120,90,255,0.55)' \
    -draw "circle $gx,$gy $gx,$((gy - 175))" -blur 0x60 \) -compose screen -composite -compose over \
    -fill 'rgba(40,20,110,0.55)' -stroke none -draw "circle $gx,$gy $gx,$((gy - r))" \
    -fill none -stroke 'rgba(170,160,255,0.35)' -strokewidth 1 -draw "$globe" \
    -stroke 'rgba(190,180,255,0.7)' -strokewidth 1.5 -draw "circle $gx,$gy $gx,$((gy - r))" \
    \( -size 840x440 xc:none -fill none -stroke 'rgba(255,170,60,0.8)' -strokewidth 5 \
    -draw "$arcs" -blur 0x4 \) -composite \
    -fill none -stroke '#ffc065' -strokewidth 1.8 -draw "$arcs" \
    \( -size 840x440 xc:none -fill 'rgba(255,190,90,0.9)' -stroke none -draw "$halos" \
    -blur 0x5 \) -composite \
    -fill white -stroke none -draw "$nodes" \
    "${banner_args[@]}" "$work/img_3.png"
  save_rgb "$work/img_3.png" IMG_3
}

make_emblem
make_icon
make_sslogo
make_caption_buttons
make_install_button
make_browse_button
make_check_box
make_indicator
make_edit_frame
make_progress
make_banner_speed
make_banner_latency
make_banner_globe
identify "$out"/img/*.png "$out"/icon/*.ico
