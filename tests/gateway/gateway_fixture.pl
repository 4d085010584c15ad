#!/usr/bin/perl
# Starts and stops the gateway the gateway tests send through: the SMSC simulator
# (smsc_sim.pl) and a real Kannel (bearerbox and smsbox) connected to it over SMPP, all on free
# loopback ports, with a configuration generated into the given folder.
#
#   gateway_fixture.pl start DIR         simulator, bearerbox, smsbox; writes DIR/gateway.env
#   gateway_fixture.pl stop DIR          stops whatever of them runs
#   gateway_fixture.pl stop-kannel DIR   stops bearerbox and smsbox, keeps the simulator
#   gateway_fixture.pl start-kannel DIR  starts them again on the same ports
#
# Every wait polls with a deadline: a port that accepts connections, or the status page that
# shows the SMSC online. Exit code 0 on success.
use strict;
use warnings;
use File::Basename qw(dirname);
use File::Path qw(make_path);
use HTTP::Tiny;
use IO::Socket::INET;
use POSIX qw(setsid WNOHANG);
use Time::HiRes qw(time sleep);

my ($command, $dir) = @ARGV;
die "usage: $0 start|stop|start-kannel|stop-kannel DIR\n" unless $command && $dir;
my $here = dirname(__FILE__);
my $admin_password = 'twadmin';
my $deadline_s = 10;

sub free_port {
    my $s = IO::Socket::INET->new(LocalAddr => '127.0.0.1', LocalPort => 0, Listen => 1,
                                  ReuseAddr => 1) or die "no free port: $!\n";
    my $port = $s->sockport;
    close $s;
    return $port;
}

sub port_open {
    my ($port) = @_;
    my $s = IO::Socket::INET->new(PeerAddr => '127.0.0.1', PeerPort => $port, Timeout => 1);
    return 0 unless $s;
    close $s;
    return 1;
}

sub wait_for {
    my ($what, $test) = @_;
    my $end = time + $deadline_s;
    while (time < $end) {
        return if $test->();
        sleep 0.005;
    }
    die "gateway fixture: gave up waiting for $what\n";
}

sub read_env {
    my %env;
    open(my $f, '<', "$dir/gateway.env") or return %env;
    while (<$f>) {
        chomp;
        $env{$1} = $2 if /^(\w+)=(.*)$/;
    }
    return %env;
}

sub spawn {
    my ($name, @argv) = @_;
    my $pid = fork;
    die "fork: $!\n" unless defined $pid;
    if ($pid == 0) {
        setsid();
        open(STDIN, '<', '/dev/null');
        open(STDOUT, '>>', "$dir/$name.out");
        open(STDERR, '>&', \*STDOUT);
        exec @argv or POSIX::_exit(127);
    }
    open(my $f, '>', "$dir/$name.pid") or die "$dir/$name.pid: $!\n";
    print $f "$pid\n";
    close $f;
    return $pid;
}

sub pid_of {
    my ($name) = @_;
    open(my $f, '<', "$dir/$name.pid") or return 0;
    my $pid = <$f>;
    close $f;
    chomp $pid if defined $pid;
    return ($pid // '') =~ /^\d+$/ ? $pid : 0;
}

# A process that still runs; one that ended but was not reaped (its parent, the start command,
# is gone) counts as ended.
sub alive {
    my ($pid) = @_;
    return 0 unless $pid && kill(0, $pid);
    open(my $f, '<', "/proc/$pid/stat") or return 0;
    my $stat = <$f> // '';
    close $f;
    return $stat !~ /^\d+ \(.*\) Z/;
}

# Ends a process we started: politely, then after the deadline for good.
sub end_process {
    my ($name) = @_;
    my $pid = pid_of($name);
    if (alive($pid)) {
        kill 'TERM', $pid;
        my $end = time + $deadline_s;
        sleep 0.005 while alive($pid) && time < $end;
        kill 'KILL', $pid if alive($pid);
    }
    unlink "$dir/$name.pid";
}

sub write_config {
    my (%p) = @_;
    open(my $f, '>', "$dir/kannel.conf") or die "$dir/kannel.conf: $!\n";
    print $f <<"CONF";
group = core
admin-port = $p{ADMIN_PORT}
admin-password = $admin_password
status-password = $admin_password
admin-allow-ip = "127.0.0.1"
smsbox-port = $p{BOX_PORT}
box-allow-ip = "127.0.0.1"
log-file = "$dir/bearerbox.log"
log-level = 1
dlr-storage = internal

group = smsc
smsc = smpp
smsc-id = sim
host = 127.0.0.1
port = $p{SIM_PORT}
transceiver-mode = true
smsc-username = tidewell
smsc-password = tidewell
system-type = ""
msg-id-type = 0x00
reconnect-delay = 1
enquire-link-interval = 30
log-file = "$dir/smsc.log"
log-level = 1

group = smsbox
bearerbox-host = 127.0.0.1
bearerbox-port = $p{BOX_PORT}
sendsms-port = $p{SENDSMS_PORT}
sendsms-interface = 127.0.0.1
log-file = "$dir/smsbox.log"
log-level = 1
http-request-retry = 10
http-queue-delay = 1

group = sendsms-user
username = $p{USER}
password = $p{PASSWORD}
max-messages = 10
concatenation = true
CONF
    close $f;
}

sub status_online {
    my (%p) = @_;
    my $r = HTTP::Tiny->new(timeout => 1)->get(
        "http://127.0.0.1:$p{ADMIN_PORT}/status.txt?password=$admin_password");
    return $r->{success} && $r->{content} =~ /^\s*sim\[.*\(online/m;
}

sub start_kannel {
    my (%p) = @_;
    spawn('bearerbox', '/usr/sbin/bearerbox', "$dir/kannel.conf");
    wait_for('bearerbox', sub { port_open($p{BOX_PORT}) && port_open($p{ADMIN_PORT}) });
    # smsbox gives up at once when bearerbox is not listening yet: started only now.
    spawn('smsbox', '/usr/sbin/smsbox', "$dir/kannel.conf");
    wait_for('smsbox', sub { port_open($p{SENDSMS_PORT}) });
    wait_for('the SMSC link', sub { status_online(%p) });
}

sub stop_kannel {
    my (%p) = @_;
    # smsbox first, while its bearerbox still runs: an smsbox that loses its bearerbox starts
    # itself anew, and that copy could race the next start for the ports.
    end_process('smsbox');
    my $bearerbox = pid_of('bearerbox');
    if (alive($bearerbox) && $p{ADMIN_PORT}) {
        HTTP::Tiny->new(timeout => 2)->get(
            "http://127.0.0.1:$p{ADMIN_PORT}/shutdown?password=$admin_password");
        my $end = time + $deadline_s;
        sleep 0.005 while alive($bearerbox) && time < $end;
    }
    end_process('bearerbox');
}

if ($command eq 'start') {
    make_path($dir);
    # A fresh start: the logs of an earlier run would confuse the tests that read them.
    unlink glob("$dir/*.log $dir/*.out $dir/*.pid $dir/gateway.env");
    my %p = (SIM_PORT => free_port(), ADMIN_PORT => free_port(), BOX_PORT => free_port(),
             SENDSMS_PORT => free_port(), REPORT_PORT => free_port(), USER => 'tidewell',
             PASSWORD => 'pw' . int(rand(1e9)));
    write_config(%p);
    open(my $f, '>', "$dir/gateway.env") or die "$dir/gateway.env: $!\n";
    print $f "$_=$p{$_}\n" for sort keys %p;
    print $f "SENDSMS_URL=http://127.0.0.1:$p{SENDSMS_PORT}/cgi-bin/sendsms\n";
    print $f "ADMIN_PASSWORD=$admin_password\n";
    close $f;
    eval {
        spawn('smsc_sim', $^X, "$here/smsc_sim.pl", $p{SIM_PORT}, "$dir/smsc_sim.log");
        wait_for('the SMSC simulator', sub { port_open($p{SIM_PORT}) });
        start_kannel(%p);
        1;
    } or do {
        my $why = $@;
        stop_kannel(%p);
        end_process('smsc_sim');
        die $why;
    };
} elsif ($command eq 'stop') {
    my %p = read_env();
    stop_kannel(%p);
    end_process('smsc_sim');
} elsif ($command eq 'start-kannel') {
    start_kannel(read_env());
} elsif ($command eq 'stop-kannel') {
    stop_kannel(read_env());
} else {
    die "unknown command $command\n";
}
exit 0;
