# Success rate of a Read all against the line's signal-to-noise ratio, from line_bench's CSV:
# white noise alone, and noise behind a GSM 06.10 codec.
#
#   build/bench/line_bench 50 line_bench.csv all
#   gnuplot -e "csv='line_bench.csv'; png='docs/manual/line-bench.png'" bench/line/line_bench.gnuplot
if (!exists("csv")) csv = 'line_bench.csv'
if (!exists("png")) png = 'line-bench.png'

set datafile separator ","
set terminal pngcairo size 720,420 font "Sans,10" noenhanced
set output png
set title "Read all calls that completed with every value right"
set xlabel "signal-to-noise ratio (dB)"
set ylabel "calls (%)"
set xrange [0:32]
set yrange [0:105]
set xtics 0,5,30
set ytics 0,20,100
set grid
set key bottom right

# Columns: 2 calls, 3 right, 12 series (noise, gsm, other), 13 snr_db.
rate(series) = (strcol(12) eq series && $13 > 0) ? 100.0 * $3 / $2 : NaN
plot csv every ::1 using 13:(rate("noise")) smooth unique with linespoints pt 7 title "white noise", \
     csv every ::1 using 13:(rate("gsm")) smooth unique with linespoints pt 5 title "GSM 06.10 + white noise"
