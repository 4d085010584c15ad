#!/usr/bin/perl
# A small SMSC for the gateway tests: an SMPP 3.4 server on loopback that takes Kannel's
# transceiver bind and answers every submit_sm by the destination number's ending:
#
#   ...0016  the submit is refused (ESME_RSUBMITFAIL): Kannel reports "rejected by the SMSC"
#   ...0001  accepted, then a receipt "UNDELIV"
#   ...0008  accepted, a receipt "ENROUTE", then "DELIVRD" after 800 ms
#   ...0009  accepted, a receipt "ENROUTE", then "DELIVRD" after 2500 ms
#   others   accepted, then a receipt "DELIVRD"
#
# Usage: smsc_sim.pl PORT [LOGFILE]. Runs until it is sent SIGTERM.
use strict;
use warnings;
use IO::Select;
use Net::SMPP;
use POSIX qw(strftime);
use Time::HiRes qw(time);

my ($port, $logfile) = @ARGV;
die "usage: $0 PORT [LOGFILE]\n" unless defined $port && $port =~ /^\d+$/;
my $log;
if (defined $logfile) {
    open($log, '>>', $logfile) or die "cannot open $logfile: $!\n";
    $log->autoflush(1);
}
sub note { print $log strftime('%H:%M:%S ', gmtime), @_, "\n" if $log; }

my $listener = Net::SMPP->new_listen('127.0.0.1', port => $port, smpp_version => 0x34)
    or die "cannot listen on port $port: $!\n";
$SIG{TERM} = sub { note('terminated'); exit 0; };
$SIG{PIPE} = 'IGNORE';

my $select = IO::Select->new($listener);
my $next_id = 1;
my @receipts;    # [due time, connection, destination, source, id, state]

# What the SMSC does with a destination: undef refuses the submit; otherwise the receipts to
# send as [delay in seconds, state].
sub plan_for {
    my ($dest) = @_;
    return undef if $dest =~ /0016$/;
    return [[0.02, 'UNDELIV']] if $dest =~ /0001$/;
    return [[0.02, 'ENROUTE'], [0.8, 'DELIVRD']] if $dest =~ /0008$/;
    return [[0.02, 'ENROUTE'], [2.5, 'DELIVRD']] if $dest =~ /0009$/;
    return [[0.02, 'DELIVRD']];
}

sub send_receipt {
    my ($r) = @_;
    my (undef, $conn, $dest, $source, $id, $state) = @$r;
    return unless $select->exists($conn);
    my $date = strftime('%y%m%d%H%M', gmtime);
    my $final = $state eq 'ENROUTE' ? '000' : '001';
    my $text = "id:$id sub:001 dlvrd:$final submit date:$date done date:$date stat:$state"
             . " err:000 text:";
    $conn->deliver_sm(source_addr => $dest, destination_addr => $source, esm_class => 0x04,
                      short_message => $text, async => 1);
    note("receipt $id $state to $dest");
}

sub handle {
    my ($conn) = @_;
    my $pdu = $conn->read_pdu();
    if (!$pdu) {
        $select->remove($conn);
        $conn->close;
        note('connection closed');
        return;
    }
    my $cmd = $pdu->{cmd};
    if ($cmd == Net::SMPP::CMD_bind_transceiver) {
        $conn->bind_transceiver_resp(seq => $pdu->{seq}, system_id => 'twsim');
        note("bound as $pdu->{system_id}");
    } elsif ($cmd == Net::SMPP::CMD_bind_transmitter) {
        $conn->bind_transmitter_resp(seq => $pdu->{seq}, system_id => 'twsim');
    } elsif ($cmd == Net::SMPP::CMD_bind_receiver) {
        $conn->bind_receiver_resp(seq => $pdu->{seq}, system_id => 'twsim');
    } elsif ($cmd == Net::SMPP::CMD_enquire_link) {
        $conn->enquire_link_resp(seq => $pdu->{seq});
    } elsif ($cmd == Net::SMPP::CMD_unbind) {
        $conn->unbind_resp(seq => $pdu->{seq});
        $select->remove($conn);
        $conn->close;
        note('unbound');
    } elsif ($cmd == Net::SMPP::CMD_submit_sm) {
        my $dest = $pdu->{destination_addr};
        my $plan = plan_for($dest);
        if (!defined $plan) {
            $conn->submit_sm_resp(seq => $pdu->{seq}, message_id => '', status => 0x45);
            note("refused submit to $dest");
            return;
        }
        my $id = $next_id++;
        $conn->submit_sm_resp(seq => $pdu->{seq}, message_id => "$id");
        note("accepted submit $id to $dest");
        if ($pdu->{registered_delivery}) {
            my $now = time;
            push @receipts, [$now + $_->[0], $conn, $dest, $pdu->{source_addr}, $id, $_->[1]]
                for @$plan;
        }
    } elsif ($cmd & 0x80000000) {
        # Answers to our receipts and links: nothing to do.
    } else {
        $conn->generic_nack(seq => $pdu->{seq}, status => 0x03);
    }
}

note("listening on $port");
while (1) {
    @receipts = sort { $a->[0] <=> $b->[0] } @receipts;
    my $wait = @receipts ? $receipts[0][0] - time : 1;
    $wait = 0 if $wait < 0;
    for my $fh ($select->can_read($wait)) {
        if ($fh == $listener) {
            my $conn = $listener->accept or next;
            $select->add($conn);
            note('connection accepted');
        } else {
            handle($fh);
        }
    }
    while (@receipts && $receipts[0][0] <= time) {
        send_receipt(shift @receipts);
    }
}
